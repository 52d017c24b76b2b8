#include "core/IncidentVocabulary.h"

#include <QCoreApplication>
#include <QTranslator>
#include <gtest/gtest.h>

#include <set>

namespace {

struct IncidentCase
{
    quint32 code;
    std::string key;
    std::string name;
};

void PrintTo(const IncidentCase& c, std::ostream* os)
{
    *os << c.key;
}

class IncidentTypeTable : public testing::TestWithParam<IncidentCase>
{ };

TEST_P(IncidentTypeTable, NameKeyAndCodeMatch)
{
    const IncidentCase& c = GetParam();
    EXPECT_EQ(IncidentTypeName(c.code), c.name);
    EXPECT_EQ(IncidentTypeKey(c.code), c.key);
    EXPECT_EQ(IncidentTypeFromKey(c.key), c.code);
}

INSTANTIATE_TEST_SUITE_P(
    EveryIncidentType, IncidentTypeTable,
    testing::Values(
        IncidentCase{1, "Incident/Congestion", "拥堵"}, IncidentCase{2, "Incident/IllegallyPark", "违停"},
        IncidentCase{4, "Incident/WrongWayDriving", "逆行"}, IncidentCase{8, "Incident/Pedestrian", "行人"},
        IncidentCase{16, "Incident/ObjectsDroppedDown", "抛撒物"}, IncidentCase{32, "Incident/Smog", "烟雾"},
        IncidentCase{64, "Incident/LinePressing", "压线"}, IncidentCase{260, "Incident/LowSpeed", "低速行驶"},
        IncidentCase{512, "Incident/ChangeLane", "变道"}, IncidentCase{1024, "Incident/TurnRound", "掉头"},
        IncidentCase{2048, "Incident/VehicleViolation", "机占非"}, IncidentCase{4096, "Incident/QueueJumping", "加塞"},
        IncidentCase{8192, "Incident/RoadBlock", "路障"}, IncidentCase{16384, "Incident/Construction", "施工"},
        IncidentCase{32768, "Incident/Accident", "交通事故"}, IncidentCase{131072, "Incident/Visibility", "能见度"},
        IncidentCase{524288, "Incident/Fire", "火灾"}),
    [](const testing::TestParamInfo<IncidentCase>& info) { return info.param.key.substr(9); });

TEST(IncidentVocabulary, TableListsSeventeenDistinctCodesInAscendingOrder)
{
    std::set<quint32> codes;
    quint32 previous = 0;
    for (const IncidentTypeEntry& entry : IncidentTypes()) {
        EXPECT_GT(entry.code, previous);
        previous = entry.code;
        codes.insert(entry.code);
    }
    EXPECT_EQ(codes.size(), 17u);
}

TEST(IncidentVocabulary, CodesWithoutTypeHaveNoNameOrKey)
{
    for (quint32 code : {0u, 3u, 256u, 65536u, 262144u, 1048576u, 0xFFFFFFFFu}) {
        EXPECT_EQ(IncidentTypeName(code), "") << code;
        EXPECT_EQ(IncidentTypeKey(code), "") << code;
    }
}

TEST(IncidentVocabulary, KeyMatchIsExactAndCaseSensitive)
{
    EXPECT_EQ(IncidentTypeFromKey("Incident/RoadBlock"), 8192u);
    for (const char* key :
         {"Incident/Roadblock", "Incident/CheckeAll", "RoadBlock", "Incident/RoadBlock ", "Param/RoadBlock", ""})
        EXPECT_EQ(IncidentTypeFromKey(key), 0u) << key;
}

struct ViolationCase
{
    quint32 code;
    std::string name;
};

void PrintTo(const ViolationCase& c, std::ostream* os)
{
    *os << c.code;
}

class ViolationTypeTable : public testing::TestWithParam<ViolationCase>
{ };

TEST_P(ViolationTypeTable, Name)
{
    EXPECT_EQ(ViolationTypeName(GetParam().code), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(EveryViolationCode, ViolationTypeTable,
                         testing::Values(ViolationCase{1018, "机占非"}, ViolationCase{1039, "违停"},
                                         ViolationCase{1044, "掉头"}, ViolationCase{1301, "逆行"},
                                         ViolationCase{12301, "压线"}, ViolationCase{13451, "压线"},
                                         ViolationCase{12303, "变道"}, ViolationCase{13453, "变道"},
                                         ViolationCase{1045, ""}, ViolationCase{1148, ""}, ViolationCase{0, ""}),
                         [](const testing::TestParamInfo<ViolationCase>& info) {
                             return "code" + std::to_string(info.param.code);
                         });

TEST(IncidentVocabulary, TrafficStateNames)
{
    EXPECT_EQ(TrafficStateName(TrafficStateInvalid), "无效");
    EXPECT_EQ(TrafficStateName(TrafficStateFree), "畅通");
    EXPECT_EQ(TrafficStateName(TrafficStateCrowded), "拥挤");
    EXPECT_EQ(TrafficStateName(TrafficStateJammed), "堵塞");
    EXPECT_EQ(TrafficStateName(4), "");
    EXPECT_EQ(TrafficStateName(0xFFFFFFFFu), "");
}

// Stands in for a loaded translation file: English for two source texts.
class EnglishNames : public QTranslator
{
public:
    QString translate(const char* context, const char* sourceText, const char*, int) const override
    {
        if (qstrcmp(context, "QObject") != 0)
            return {};
        if (QString::fromUtf8(sourceText) == QStringLiteral("火灾"))
            return QStringLiteral("Fire");
        if (QString::fromUtf8(sourceText) == QStringLiteral("压线"))
            return QStringLiteral("Line pressing");
        return {};
    }
    bool isEmpty() const override { return false; }
};

TEST(IncidentVocabulary, NamesFollowTheInstalledTranslation)
{
    int argc = 1;
    char name[] = "test_incident_vocabulary";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    EnglishNames english;
    ASSERT_TRUE(QCoreApplication::installTranslator(&english));

    EXPECT_EQ(IncidentTypeName(Fire), "Fire");
    EXPECT_EQ(ViolationTypeName(12301), "Line pressing");
    EXPECT_EQ(IncidentTypeName(Smog), "烟雾"); // untranslated text stays Chinese

    QCoreApplication::removeTranslator(&english);
    EXPECT_EQ(IncidentTypeName(Fire), "火灾");
}

} // namespace
