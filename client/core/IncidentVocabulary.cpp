#include "IncidentVocabulary.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

const std::array<IncidentTypeEntry, 17> kIncidentTypes = {{
    {Congestion, "Incident/Congestion", QT_TRANSLATE_NOOP("QObject", "拥堵")},
    {IllegallyPark, "Incident/IllegallyPark", QT_TRANSLATE_NOOP("QObject", "违停")},
    {WrongWayDriving, "Incident/WrongWayDriving", QT_TRANSLATE_NOOP("QObject", "逆行")},
    {Pedestrian, "Incident/Pedestrian", QT_TRANSLATE_NOOP("QObject", "行人")},
    {ObjectsDroppedDown, "Incident/ObjectsDroppedDown", QT_TRANSLATE_NOOP("QObject", "抛撒物")},
    {Smog, "Incident/Smog", QT_TRANSLATE_NOOP("QObject", "烟雾")},
    {LinePressing, "Incident/LinePressing", QT_TRANSLATE_NOOP("QObject", "压线")},
    {LowSpeed, "Incident/LowSpeed", QT_TRANSLATE_NOOP("QObject", "低速行驶")},
    {ChangeLane, "Incident/ChangeLane", QT_TRANSLATE_NOOP("QObject", "变道")},
    {TurnRound, "Incident/TurnRound", QT_TRANSLATE_NOOP("QObject", "掉头")},
    {VehicleViolation, "Incident/VehicleViolation", QT_TRANSLATE_NOOP("QObject", "机占非")},
    {QueueJumping, "Incident/QueueJumping", QT_TRANSLATE_NOOP("QObject", "加塞")},
    {RoadBlock, "Incident/RoadBlock", QT_TRANSLATE_NOOP("QObject", "路障")},
    {Construction, "Incident/Construction", QT_TRANSLATE_NOOP("QObject", "施工")},
    {Accident, "Incident/Accident", QT_TRANSLATE_NOOP("QObject", "交通事故")},
    {Visibility, "Incident/Visibility", QT_TRANSLATE_NOOP("QObject", "能见度")},
    {Fire, "Incident/Fire", QT_TRANSLATE_NOOP("QObject", "火灾")},
}};

// Two device codes each share the names of line pressing and lane change.
const std::array<ViolationTypeEntry, 8> kViolationTypes = {{
    {1018, QT_TRANSLATE_NOOP("QObject", "机占非")},
    {1039, QT_TRANSLATE_NOOP("QObject", "违停")},
    {1044, QT_TRANSLATE_NOOP("QObject", "掉头")},
    {1301, QT_TRANSLATE_NOOP("QObject", "逆行")},
    {12301, QT_TRANSLATE_NOOP("QObject", "压线")},
    {12303, QT_TRANSLATE_NOOP("QObject", "变道")},
    {13451, QT_TRANSLATE_NOOP("QObject", "压线")},
    {13453, QT_TRANSLATE_NOOP("QObject", "变道")},
}};

const std::array<const char*, 4> kTrafficStateNames = {
    QT_TRANSLATE_NOOP("QObject", "无效"),
    QT_TRANSLATE_NOOP("QObject", "畅通"),
    QT_TRANSLATE_NOOP("QObject", "拥挤"),
    QT_TRANSLATE_NOOP("QObject", "堵塞"),
};

std::string Translated(const char* sourceText)
{
    return QCoreApplication::translate("QObject", sourceText).toStdString();
}

template <typename Table>
auto FindCode(const Table& table, quint32 code)
{
    return std::find_if(table.begin(), table.end(), [code](const auto& entry) { return entry.code == code; });
}

} // namespace

const std::array<IncidentTypeEntry, 17>& IncidentTypes()
{
    return kIncidentTypes;
}

const std::array<ViolationTypeEntry, 8>& ViolationTypes()
{
    return kViolationTypes;
}

std::string IncidentTypeName(quint32 code)
{
    const auto entry = FindCode(kIncidentTypes, code);
    return entry == kIncidentTypes.end() ? std::string() : Translated(entry->displayName);
}

std::string ViolationTypeName(quint32 code)
{
    const auto entry = FindCode(kViolationTypes, code);
    return entry == kViolationTypes.end() ? std::string() : Translated(entry->displayName);
}

std::string TrafficStateName(quint32 state)
{
    return state < kTrafficStateNames.size() ? Translated(kTrafficStateNames[state]) : std::string();
}

quint32 IncidentTypeFromKey(const std::string& key)
{
    const auto entry = std::find_if(kIncidentTypes.begin(), kIncidentTypes.end(),
                                    [&key](const IncidentTypeEntry& e) { return key == e.settingsKey; });
    return entry == kIncidentTypes.end() ? 0u : entry->code;
}

std::string IncidentTypeKey(quint32 code)
{
    const auto entry = FindCode(kIncidentTypes, code);
    return entry == kIncidentTypes.end() ? std::string() : std::string(entry->settingsKey);
}
