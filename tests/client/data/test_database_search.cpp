// Record searches over a small, known set of rows: every filter of a search
// condition as a case of a table, and paging over rows with equal times.
#include "DatabaseTestSupport.h"

#include "core/IncidentVocabulary.h"

namespace {

::testing::Environment* const qtEnvironment = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

const QString kDeviceA = QStringLiteral("192.168.1.10");
const QString kDeviceB = QStringLiteral("192.168.1.20");
const QString kChannelA1 = QStringLiteral("192.168.1.11");
const QString kChannelA2 = QStringLiteral("192.168.1.12");
const QString kChannelB1 = QStringLiteral("192.168.1.21");

// One row per label; every table gets the same times, places and lanes.
struct Row
{
    const char* time;
    quint32 type; // incident code, or violation code for the violation table
    QString deviceIp;
    QString channelIp;
    int channelNo;
    int laneNo;
    const char* plate;
    const char* label;
};

std::vector<Row> Rows()
{
    return {
        {"20261201080000", Congestion, kDeviceA, kChannelA1, 1, 0, "京A12345", "r1"},
        {"20261201080000", WrongWayDriving, kDeviceA, kChannelA2, 2, 1, "京A1_345", "r2"},
        {"20261201090000", IllegallyPark, kDeviceB, kChannelB1, 1, 2, "A%B", "r3"},
        {"20261201235959", WrongWayDriving, kDeviceB, kChannelB1, 1, 0, "O'Brien", "r4"},
        {"20261202000000", Fire, kDeviceA, kChannelA1, 1, 1, "粤B99999", "r5"},
    };
}

struct SearchCase
{
    const char* name;
    stu_SearchCondition condition;
    QStringList expected; // labels in result order
};

// Test names say enough; the condition's bytes would not.
void PrintTo(const SearchCase& searchCase, std::ostream* out)
{
    *out << searchCase.name;
}

stu_SearchCondition FirstDay()
{
    stu_SearchCondition condition;
    condition.startTime = "20261201080000000";
    condition.endTime = "20261201235959999";
    condition.laneNo = -1;
    return condition;
}

template <typename Change>
stu_SearchCondition FirstDayWith(Change change)
{
    stu_SearchCondition condition = FirstDay();
    change(condition);
    return condition;
}

QStringList Expected(std::initializer_list<const char*> labels)
{
    QStringList list;
    for (const char* label : labels)
        list << QString::fromLatin1(label);
    return list;
}

class SearchFixture : public DatabaseTest
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        for (const Row& row : Rows()) {
            ASSERT_TRUE(database.InsertIncidentInfo(MakeIncident(QString::fromLatin1(row.time), row.type, row.deviceIp,
                                                                 row.channelIp, row.channelNo, row.laneNo,
                                                                 QString::fromLatin1(row.label))));
            TrafficForensics violation;
            violation.time = QString::fromLatin1(row.time);
            violation.violationType = row.type;
            violation.deviceIp = row.deviceIp;
            violation.channelIp = row.channelIp;
            violation.channelNo = row.channelNo;
            violation.laneNo = row.laneNo;
            violation.plateNo = QString::fromUtf8(row.plate);
            violation.picPath = QString::fromLatin1(row.label);
            ASSERT_TRUE(database.InsertForensicsInfo(violation));
            TrafficParam param;
            param.startTime = QString::fromLatin1(row.time);
            param.endTime = param.startTime;
            param.deviceIp = row.deviceIp;
            param.channelIp = row.channelIp;
            param.channelNo = row.channelNo;
            param.laneNo = row.laneNo;
            param.laneFlow = QString::fromLatin1(row.label).mid(1).toInt();
            ASSERT_TRUE(database.InsertTrafficParamInfo(param));
        }
    }

    // Labels of the first page that `fetch` (a page method) finds, in order.
    template <typename Record, typename Label>
    QStringList Labels(bool (DatabaseOperation::*fetch)(int, int, const stu_SearchCondition&, QList<Record>&),
                       const stu_SearchCondition& condition, Label label)
    {
        QList<Record> found;
        EXPECT_TRUE((database.*fetch)(0, 30, condition, found));
        QStringList labels;
        for (const Record& record : found)
            labels << label(record);
        return labels;
    }

    QStringList IncidentLabels(const stu_SearchCondition& condition)
    {
        return Labels(&DatabaseOperation::GetIncidentInfo, condition,
                      [](const TrafficIncident& incident) { return incident.picPath; });
    }

    QStringList ViolationLabels(const stu_SearchCondition& condition)
    {
        return Labels(&DatabaseOperation::GetForensicsInfo, condition,
                      [](const TrafficForensics& violation) { return violation.picPath; });
    }

    QStringList TrafficParamLabels(const stu_SearchCondition& condition)
    {
        // Traffic parameters have no path; the row's number rides in laneFlow.
        return Labels(&DatabaseOperation::GetTrafficParamInfo, condition,
                      [](const TrafficParam& param) { return QStringLiteral("r%1").arg(param.laneFlow); });
    }

    int Total(em_SearchType kind, const stu_SearchCondition& condition)
    {
        int total = -1;
        EXPECT_TRUE(database.GetTotalNum(kind, condition, total));
        return total;
    }
};

// Cases that hold alike for incidents, violations and traffic parameters.
std::vector<SearchCase> PlaceAndTimeCases()
{
    return {
        {"wholeFirstDay", FirstDay(), Expected({"r1", "r2", "r3", "r4"})},
        {"startBoundIsInsideItsSecond", FirstDayWith([](stu_SearchCondition& c) { c.startTime = "20261201080000999"; }),
         Expected({"r1", "r2", "r3", "r4"})},
        {"startAfterARowsSecond", FirstDayWith([](stu_SearchCondition& c) { c.startTime = "20261201080001000"; }),
         Expected({"r3", "r4"})},
        {"endBoundIncludesItsSecond", FirstDayWith([](stu_SearchCondition& c) { c.endTime = "20261201235959000"; }),
         Expected({"r1", "r2", "r3", "r4"})},
        {"endBeforeARowsSecond", FirstDayWith([](stu_SearchCondition& c) { c.endTime = "20261201235958999"; }),
         Expected({"r1", "r2", "r3"})},
        {"startAfterEnd", FirstDayWith([](stu_SearchCondition& c) { std::swap(c.startTime, c.endTime); }),
         QStringList()},
        {"laneZeroIsALane", FirstDayWith([](stu_SearchCondition& c) { c.laneNo = 0; }), Expected({"r1", "r4"})},
        {"laneTwo", FirstDayWith([](stu_SearchCondition& c) { c.laneNo = 2; }), Expected({"r3"})},
        {"channelNumberTwo", FirstDayWith([](stu_SearchCondition& c) { c.channelNo = 2; }), Expected({"r2"})},
        {"device", FirstDayWith([](stu_SearchCondition& c) { c.deviceIp = kDeviceB.toStdString(); }),
         Expected({"r3", "r4"})},
        {"deviceAndChannel", FirstDayWith([](stu_SearchCondition& c) {
             c.deviceIp = kDeviceA.toStdString();
             c.channelIp = kChannelA2.toStdString();
         }),
         Expected({"r2"})},
        {"channelWithoutDeviceIsIgnored",
         FirstDayWith([](stu_SearchCondition& c) { c.channelIp = kChannelA2.toStdString(); }),
         Expected({"r1", "r2", "r3", "r4"})},
        {"deviceChannelNumberAndLane", FirstDayWith([](stu_SearchCondition& c) {
             c.deviceIp = kDeviceB.toStdString();
             c.channelNo = 1;
             c.laneNo = 0;
         }),
         Expected({"r4"})},
        {"quotedDeviceSelectsNothing", FirstDayWith([](stu_SearchCondition& c) { c.deviceIp = "x' or '1'='1"; }),
         QStringList()},
        {"secondDay", FirstDayWith([](stu_SearchCondition& c) {
             c.startTime = "20261202000000000";
             c.endTime = "20261202235959999";
         }),
         Expected({"r5"})},
    };
}

class PlaceAndTime : public SearchFixture, public ::testing::WithParamInterface<SearchCase>
{ };

TEST_P(PlaceAndTime, IncidentsViolationsAndTrafficParametersAgree)
{
    const SearchCase& c = GetParam();
    EXPECT_EQ(IncidentLabels(c.condition), c.expected);
    EXPECT_EQ(ViolationLabels(c.condition), c.expected);
    EXPECT_EQ(TrafficParamLabels(c.condition), c.expected);
    EXPECT_EQ(Total(SEARCH_INCIDENT, c.condition), c.expected.size());
    EXPECT_EQ(Total(SEARCH_FORENSICS, c.condition), c.expected.size());
    EXPECT_EQ(Total(SEARCH_TRAFFIC_PARAM, c.condition), c.expected.size());
}

INSTANTIATE_TEST_SUITE_P(Conditions, PlaceAndTime, ::testing::ValuesIn(PlaceAndTimeCases()),
                         [](const ::testing::TestParamInfo<SearchCase>& info) { return info.param.name; });

std::vector<SearchCase> IncidentTypeCases()
{
    return {
        {"noTypes", FirstDay(), Expected({"r1", "r2", "r3", "r4"})},
        {"oneType", FirstDayWith([](stu_SearchCondition& c) { c.types = {WrongWayDriving}; }), Expected({"r2", "r4"})},
        {"twoTypesOnADeviceAndLane", FirstDayWith([](stu_SearchCondition& c) {
             c.types = {Congestion, WrongWayDriving};
             c.deviceIp = kDeviceA.toStdString();
             c.laneNo = 1;
         }),
         Expected({"r2"})},
        {"allTypes", FirstDayWith([](stu_SearchCondition& c) {
             for (const IncidentTypeEntry& type : IncidentTypes())
                 c.types << type.code;
         }),
         Expected({"r1", "r2", "r3", "r4"})},
        {"typeWithoutRows", FirstDayWith([](stu_SearchCondition& c) { c.types = {Smog}; }), QStringList()},
    };
}

class IncidentTypeFilter : public SearchFixture, public ::testing::WithParamInterface<SearchCase>
{ };

TEST_P(IncidentTypeFilter, SelectIncidentsAndAreIgnoredByTrafficParameters)
{
    const SearchCase& c = GetParam();
    EXPECT_EQ(IncidentLabels(c.condition), c.expected);
    EXPECT_EQ(Total(SEARCH_INCIDENT, c.condition), c.expected.size());
    stu_SearchCondition withoutTypes = c.condition;
    withoutTypes.types.clear();
    EXPECT_EQ(TrafficParamLabels(c.condition), TrafficParamLabels(withoutTypes));
}

INSTANTIATE_TEST_SUITE_P(Conditions, IncidentTypeFilter, ::testing::ValuesIn(IncidentTypeCases()),
                         [](const ::testing::TestParamInfo<SearchCase>& info) { return info.param.name; });

std::vector<SearchCase> PlateCases()
{
    const auto plate = [](const char* fragment) {
        return FirstDayWith([fragment](stu_SearchCondition& c) { c.plateNo = fragment; });
    };
    return {
        {"fragmentInTheMiddle", plate("A1"), Expected({"r1", "r2"})},
        {"chineseFragment", plate("京"), Expected({"r1", "r2"})},
        {"underscoreMatchesItself", plate("_"), Expected({"r2"})},
        {"percentMatchesItself", plate("%"), Expected({"r3"})},
        {"quoteMatchesItself", plate("'"), Expected({"r4"})},
        {"noMatch", plate("Z9"), QStringList()},
        {"plateWithLaneAndChannelNumber", FirstDayWith([](stu_SearchCondition& c) {
             c.plateNo = "京A1";
             c.laneNo = 1;
             c.channelNo = 2;
         }),
         Expected({"r2"})},
        {"plateAndViolationType", FirstDayWith([](stu_SearchCondition& c) {
             c.plateNo = "A";
             c.types = {IllegallyPark};
         }),
         Expected({"r3"})},
    };
}

class PlateFragments : public SearchFixture, public ::testing::WithParamInterface<SearchCase>
{ };

TEST_P(PlateFragments, SelectViolationsOnly)
{
    const SearchCase& c = GetParam();
    EXPECT_EQ(ViolationLabels(c.condition), c.expected);
    EXPECT_EQ(Total(SEARCH_FORENSICS, c.condition), c.expected.size());
    stu_SearchCondition withoutPlate = c.condition;
    withoutPlate.plateNo.clear();
    EXPECT_EQ(IncidentLabels(c.condition), IncidentLabels(withoutPlate));
}

INSTANTIATE_TEST_SUITE_P(Conditions, PlateFragments, ::testing::ValuesIn(PlateCases()),
                         [](const ::testing::TestParamInfo<SearchCase>& info) { return info.param.name; });

TEST_F(SearchFixture, UnknownKindHasNoClauseAndCountFails)
{
    EXPECT_TRUE(database.GetSearchCondition(static_cast<em_SearchType>(7), FirstDay()).IsEmpty());
    int total = 42;
    LogCapture log("DatabaseOperation");
    EXPECT_FALSE(database.GetTotalNum(static_cast<em_SearchType>(7), FirstDay(), total));
    EXPECT_EQ(total, 42);
    EXPECT_TRUE(log.Contains("DatabaseOperation::GetTotalNum, 获取总数失败"));
}

TEST_F(SearchFixture, RecordsReadBackLeaveUnstoredFieldsEmpty)
{
    QList<TrafficIncident> found;
    ASSERT_TRUE(database.GetIncidentInfo(0, 30, FirstDay(), found));
    ASSERT_FALSE(found.isEmpty());
    for (const TrafficIncident& incident : found) {
        EXPECT_EQ(incident.absTime, 0u);
        EXPECT_EQ(incident.devicePort, 0);
        EXPECT_EQ(incident.extNo, 0u);
        EXPECT_TRUE(incident.extText.isEmpty());
        EXPECT_EQ(incident.extValue, 0);
        EXPECT_EQ(incident.extCode, 0);
    }
}

TEST_F(SearchFixture, PageAppendsToTheCallersList)
{
    QList<TrafficIncident> found{TrafficIncident()};
    ASSERT_TRUE(database.GetIncidentInfo(0, 30, FirstDay(), found));
    EXPECT_EQ(found.size(), 5);
    EXPECT_EQ(found[1].rowNo, 1);
}

TEST_F(SearchFixture, APageLogsOneLineWhateverItsRows)
{
    LogCapture log("DatabaseOperation");
    QList<TrafficIncident> incidents;
    QList<TrafficForensics> violations;
    QList<TrafficParam> params;
    ASSERT_TRUE(database.GetIncidentInfo(0, 30, WholeRange(), incidents));
    ASSERT_TRUE(database.GetForensicsInfo(0, 30, WholeRange(), violations));
    ASSERT_TRUE(database.GetTrafficParamInfo(0, 30, WholeRange(), params));
    ASSERT_GT(incidents.size(), 1);
    ASSERT_GT(violations.size(), 1);
    ASSERT_GT(params.size(), 1);
    EXPECT_EQ(log.Count("获取事件成功，总数为30"), 1);
    EXPECT_EQ(log.Count("获取取证成功"), 1);
    EXPECT_EQ(log.Count("查询交通参数成功"), 1);
}

using Paging = DatabaseTest;

TEST_F(Paging, PagesOfThirtyOverEqualTimesNeitherRepeatNorSkip)
{
    // 75 incidents, most of them in the same second: only the row order can
    // keep pages apart.
    for (int i = 0; i < 75; ++i) {
        const QString time = i < 5 ? QStringLiteral("20261201075959") : QStringLiteral("20261201080000");
        ASSERT_TRUE(database.InsertIncidentInfo(
            MakeIncident(time, Congestion, kDeviceA, kChannelA1, 1, 0, QString::number(i))));
    }
    const stu_SearchCondition condition = WholeRange();
    int total = 0;
    ASSERT_TRUE(database.GetTotalNum(SEARCH_INCIDENT, condition, total));
    ASSERT_EQ(total, 75);
    const int pages = (total + 29) / 30;
    ASSERT_EQ(pages, 3);

    QStringList labels;
    for (int page = 1; page <= pages; ++page) {
        const int offset = (page - 1) * 30;
        QList<TrafficIncident> found;
        ASSERT_TRUE(database.GetIncidentInfo(offset, 30, condition, found));
        ASSERT_EQ(found.size(), page < pages ? 30 : 15);
        EXPECT_EQ(found.first().rowNo, offset + 1);
        EXPECT_EQ(found.last().rowNo, offset + found.size());
        for (const TrafficIncident& incident : found)
            labels << incident.picPath;
    }
    QStringList expected;
    for (int i = 0; i < 75; ++i)
        expected << QString::number(i);
    EXPECT_EQ(labels, expected);
}

TEST_F(Paging, ViolationAndTrafficParameterPagesAreNumberedFromTheOffset)
{
    for (int i = 0; i < 61; ++i) {
        TrafficForensics violation;
        violation.time = QStringLiteral("20261201080000");
        violation.plateNo = QStringLiteral("京A%1").arg(i);
        ASSERT_TRUE(database.InsertForensicsInfo(violation));
        TrafficParam param;
        param.startTime = violation.time;
        param.laneFlow = i;
        ASSERT_TRUE(database.InsertTrafficParamInfo(param));
    }
    QList<TrafficForensics> violations;
    ASSERT_TRUE(database.GetForensicsInfo(30, 30, WholeRange(), violations));
    ASSERT_EQ(violations.size(), 30);
    EXPECT_EQ(violations.first().rowNo, 31);
    EXPECT_EQ(violations.last().rowNo, 60);
    EXPECT_EQ(violations.first().plateNo, QStringLiteral("京A30"));
    QList<TrafficParam> params;
    ASSERT_TRUE(database.GetTrafficParamInfo(60, 30, WholeRange(), params));
    ASSERT_EQ(params.size(), 1);
    EXPECT_EQ(params.first().rowNo, 61);
    EXPECT_EQ(params.first().laneFlow, 60);
}

// Counts of period-only searches against the rows themselves: a period holding
// most of the stored span is counted from the rows outside it, any other from
// the rows inside; both must give the rows inside, and only those up to the
// row bound. Rows without a time and rows stored at the bounds' very seconds
// are among them.
struct PeriodCountCase
{
    const char* name;
    const char* start; // 17 digits, as the page writes them
    const char* end;
    int boundRows; // rows stored before the bound was taken; 0: no bound
};

void PrintTo(const PeriodCountCase& c, std::ostream* out)
{
    *out << c.name;
}

class PeriodCount : public DatabaseTest, public ::testing::WithParamInterface<PeriodCountCase>
{
protected:
    // One incident a day at noon, days 1 to 20, then one at midnight on day 10,
    // one on day 1 again (stored late, early in time) and one without a time.
    static std::vector<QString> Times()
    {
        std::vector<QString> times;
        for (int day = 1; day <= 20; ++day)
            times.push_back(QStringLiteral("202612%1").arg(day, 2, 10, QLatin1Char('0')) + QStringLiteral("120000"));
        times.push_back(QStringLiteral("20261210000000"));
        times.push_back(QStringLiteral("20261201080000"));
        times.push_back(QString());
        return times;
    }
};

TEST_P(PeriodCount, CountsTheStoredRowsInsideThePeriodUpToTheBound)
{
    const PeriodCountCase& c = GetParam();
    const std::vector<QString> times = Times();
    for (const QString& time : times) {
        if (time.isNull())
            ASSERT_TRUE(Change(DatabasePath(), {QStringLiteral("insert into incidentInfo(time) values (null)")}));
        else
            ASSERT_TRUE(database.InsertIncidentInfo(MakeIncident(time, Congestion, kDeviceA, kChannelA1, 1, 0, time)));
    }
    stu_SearchCondition condition = WholeRange();
    condition.startTime = c.start;
    condition.endTime = c.end;
    condition.rowIdBound = c.boundRows; // row ids run from 1 in a fresh table
    const QString first = QString::fromLatin1(c.start).left(14);
    const QString last = QString::fromLatin1(c.end).left(14);
    const int considered = c.boundRows > 0 ? c.boundRows : int(times.size());
    const int expected = int(std::count_if(times.begin(), times.begin() + considered, [&](const QString& time) {
        return !time.isNull() && time >= first && time <= last;
    }));

    int total = -1;
    qint64 bound = -1;
    ASSERT_TRUE(database.GetTotalNum(SEARCH_INCIDENT, condition, total, &bound));
    EXPECT_EQ(total, expected);
    if (c.boundRows > 0) {
        EXPECT_LE(bound, c.boundRows); // never past the bound it was given
    }
    if (expected == 0)
        return; // the page shows the empty result; no page is read
    // The pages read with the count's bound hold the counted rows, and none
    // stored after the count, although it lies inside the period.
    ASSERT_TRUE(database.InsertIncidentInfo(MakeIncident(first, Congestion, kDeviceA, kChannelA1, 1, 0, "late")));
    condition.rowIdBound = bound;
    condition.counted = total;
    QList<TrafficIncident> rows;
    ASSERT_TRUE(database.GetIncidentInfo(0, 30, condition, rows));
    EXPECT_EQ(rows.size(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Periods, PeriodCount,
    ::testing::Values(PeriodCountCase{"everyRow", "20000101000000000", "20991231235959999", 0},
                      PeriodCountCase{"exactlyTheStoredSpan", "20261201080000000", "20261220120000000", 0},
                      PeriodCountCase{"allButTheLastDays", "20261201000000000", "20261217235959999", 0},
                      PeriodCountCase{"allButTheFirstDays", "20261204000000000", "20261231235959999", 0},
                      PeriodCountCase{"boundsAtStoredSeconds", "20261201120000999", "20261219120000000", 0},
                      PeriodCountCase{"oneDay", "20261210000000000", "20261210235959999", 0},
                      PeriodCountCase{"beforeEveryRow", "20250101000000000", "20251231235959999", 0},
                      PeriodCountCase{"startAfterEnd", "20261220000000000", "20261201000000000", 0},
                      PeriodCountCase{"everyRowUpToABound", "20000101000000000", "20991231235959999", 15},
                      PeriodCountCase{"mostDaysUpToABound", "20261202000000000", "20261231235959999", 21},
                      PeriodCountCase{"oneDayUpToABound", "20261210000000000", "20261210235959999", 5}),
    [](const ::testing::TestParamInfo<PeriodCountCase>& info) { return info.param.name; });

TEST_F(Paging, ATableOfOneStoredSecondIsCountedWhereverThePeriodLies)
{
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(database.InsertIncidentInfo(
            MakeIncident(QStringLiteral("20261201080000"), Congestion, kDeviceA, kChannelA1, 1, 0, "r")));
    const std::pair<const char*, int> periods[] = {
        {"20261201080000000", 3}, {"20261201075959000", 3}, {"20261201080001000", 0}};
    for (const auto& [start, expected] : periods) {
        stu_SearchCondition condition = WholeRange();
        condition.startTime = start;
        condition.endTime = "20261201090000000";
        int total = -1;
        ASSERT_TRUE(database.GetTotalNum(SEARCH_INCIDENT, condition, total));
        EXPECT_EQ(total, expected) << start;
    }
}

// Pages of a counted search, read with the bound the count took; rows stored
// after the count, some of them earlier than every counted row, shift nothing.
class CountedPaging : public DatabaseTest, public ::testing::WithParamInterface<int>
{
protected:
    void Store(int rows, const QString& label, const QString& time)
    {
        for (int i = 0; i < rows; ++i) {
            ASSERT_TRUE(database.InsertIncidentInfo(
                MakeIncident(time, Congestion, kDeviceA, kChannelA1, 1, 0, label + QString::number(i))));
        }
    }
};

TEST_P(CountedPaging, EveryPageHoldsTheCountedRowsInOrderAsTheyWereAtTheCount)
{
    const int rows = GetParam();
    // Equal times in the middle: only the row order tells those rows apart.
    for (int i = 0; i < rows; ++i) {
        const QString time = QStringLiteral("202612010800%1").arg(qMin(i, 40) / 2, 2, 10, QLatin1Char('0'));
        ASSERT_TRUE(database.InsertIncidentInfo(
            MakeIncident(time, Congestion, kDeviceA, kChannelA1, 1, 0, QString::number(i))));
    }
    stu_SearchCondition condition = WholeRange();
    int total = 0;
    ASSERT_TRUE(database.GetTotalNum(SEARCH_INCIDENT, condition, total, &condition.rowIdBound));
    ASSERT_EQ(total, rows);
    condition.counted = total;
    Store(7, QStringLiteral("late"), QStringLiteral("20261201075900"));
    Store(7, QStringLiteral("later"), QStringLiteral("20261201090000"));

    QStringList labels;
    for (int offset = 0; offset < total; offset += 30) {
        QList<TrafficIncident> page;
        ASSERT_TRUE(database.GetIncidentInfo(offset, 30, condition, page));
        ASSERT_EQ(page.size(), qMin(30, total - offset)) << "offset " << offset;
        for (int n = 0; n < page.size(); ++n) {
            EXPECT_EQ(page.at(n).rowNo, offset + n + 1);
            labels << page.at(n).picPath;
        }
    }
    QStringList expected;
    for (int i = 0; i < rows; ++i)
        expected << QString::number(i);
    EXPECT_EQ(labels, expected);
}

INSTANTIATE_TEST_SUITE_P(Totals, CountedPaging, ::testing::Values(1, 29, 30, 31, 59, 60, 61, 75, 90, 121));

} // namespace
