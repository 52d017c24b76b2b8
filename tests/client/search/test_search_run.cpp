// The database half of a search on a real Corvane.db: which rows each tab's
// conditions select, row numbers across pages, the count run once per search,
// and the early stop of a search nobody wants any more.
#include "search/SearchPaging.h"
#include "search/SearchRun.h"

#include "../data/DatabaseTestSupport.h"

#include "core/IncidentVocabulary.h"

#include <QStringList>

namespace {

::testing::Environment* const application = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

const auto kAlways = [] { return true; };

SearchRequest Request(em_SearchType kind, const stu_SearchCondition& condition, int offset = 0)
{
    SearchRequest request;
    request.kind = kind;
    request.offset = offset;
    request.first = offset == 0;
    request.condition = condition;
    return request;
}

// Labels of the page's rows: an incident's picture path, a violation's plate, a
// traffic-parameter row's flow.
QStringList Labels(const SearchOutcome& outcome)
{
    QStringList labels;
    for (const TrafficIncident& incident : outcome.incidents)
        labels << incident.picPath;
    for (const TrafficForensics& record : outcome.forensics)
        labels << record.plateNo;
    for (const TrafficParam& param : outcome.trafficParams)
        labels << QString::number(param.laneFlow);
    return labels;
}

struct ConditionCase
{
    const char* name;
    em_SearchType kind;
    stu_SearchCondition condition;
    QStringList expected;
};

void PrintTo(const ConditionCase& c, std::ostream* out)
{
    *out << c.name;
}

stu_SearchCondition Range(const char* start, const char* end)
{
    stu_SearchCondition condition = WholeRange();
    condition.startTime = start;
    condition.endTime = end;
    return condition;
}

template <class Change>
stu_SearchCondition With(stu_SearchCondition condition, Change change)
{
    change(condition);
    return condition;
}

class SearchConditionTest : public DatabaseTest, public ::testing::WithParamInterface<ConditionCase>
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        // Incidents: a row at the very second a range starts, types, devices, lanes (0 is a lane).
        const QList<TrafficIncident> incidents = {
            MakeIncident("20261201080000", Congestion, "10.0.0.1", "10.0.0.11", 1, 0, "start-second"),
            MakeIncident("20261201085959", Fire, "10.0.0.1", "10.0.0.12", 2, 2, "fire"),
            MakeIncident("20261201090000", LowSpeed, "10.0.0.2", "10.0.0.21", 1, 2, "low-speed"),
            MakeIncident("20261201095959", Congestion, "10.0.0.2", "10.0.0.22", 3, 3, "end-second"),
            MakeIncident("20261201100000", Congestion, "10.0.0.1", "10.0.0.11", 1, 1, "after"),
        };
        for (const TrafficIncident& incident : incidents)
            ASSERT_TRUE(database.InsertIncidentInfo(incident));
        const QList<TrafficForensics> violations = {
            MakeViolation("20261201080000", 1039, "10.0.0.1", 1, "A1%B"),
            MakeViolation("20261201080100", 12301, "10.0.0.1", 2, "A1_B"),
            MakeViolation("20261201080200", 13451, "10.0.0.2", 2, "A1xB"),
            MakeViolation("20261201080300", 1301, "10.0.0.2", 0, "A12B"),
        };
        for (const TrafficForensics& record : violations)
            ASSERT_TRUE(database.InsertForensicsInfo(record));
        const QList<TrafficParam> params = {
            MakeParam("20261201080000", "10.0.0.1", 1, 11),
            MakeParam("20261201080500", "10.0.0.1", 2, 12),
            MakeParam("20261201081000", "10.0.0.2", 1, 13),
            MakeParam("20261201081500", "10.0.0.2", 2, 14),
        };
        for (const TrafficParam& param : params)
            ASSERT_TRUE(database.InsertTrafficParamInfo(param));
    }
};

TEST_P(SearchConditionTest, SelectsExactlyTheExpectedRows)
{
    const ConditionCase& c = GetParam();
    const std::optional<SearchOutcome> outcome = RunSearch(database, Request(c.kind, c.condition), kAlways);
    ASSERT_TRUE(outcome);
    if (c.expected.isEmpty()) {
        EXPECT_EQ(outcome->status, SearchOutcome::Empty);
        EXPECT_EQ(outcome->total, 0);
        EXPECT_EQ(outcome->pages, 1);
        return;
    }
    EXPECT_EQ(outcome->status, SearchOutcome::Rows);
    EXPECT_EQ(outcome->total, c.expected.size());
    EXPECT_EQ(Labels(*outcome), c.expected);
}

// The page builds its times with milliseconds: "...080000000" to "...095959999".
const stu_SearchCondition kMorning = Range("20261201080000000", "20261201095959999");

INSTANTIATE_TEST_SUITE_P(
    Tabs, SearchConditionTest,
    ::testing::Values(
        ConditionCase{"incidents in the range, start and end second included",
                      SEARCH_INCIDENT,
                      kMorning,
                      {"start-second", "fire", "low-speed", "end-second"}},
        ConditionCase{"range starting at a row's second with milliseconds",
                      SEARCH_INCIDENT,
                      Range("20261201080000500", "20261201080000999"),
                      {"start-second"}},
        ConditionCase{
            "start after end selects nothing", SEARCH_INCIDENT, Range("20261201100000000", "20261201080000000"), {}},
        ConditionCase{"one device",
                      SEARCH_INCIDENT,
                      With(kMorning, [](auto& c) { c.deviceIp = "10.0.0.2"; }),
                      {"low-speed", "end-second"}},
        ConditionCase{"one device and channel",
                      SEARCH_INCIDENT,
                      With(kMorning,
                           [](auto& c) {
                               c.deviceIp = "10.0.0.1";
                               c.channelIp = "10.0.0.12";
                           }),
                      {"fire"}},
        ConditionCase{"channel number",
                      SEARCH_INCIDENT,
                      With(kMorning, [](auto& c) { c.channelNo = 1; }),
                      {"start-second", "low-speed"}},
        ConditionCase{"types",
                      SEARCH_INCIDENT,
                      With(kMorning,
                           [](auto& c) {
                               c.types = {Fire, LowSpeed};
                           }),
                      {"fire", "low-speed"}},
        ConditionCase{
            "lane 0 is a lane", SEARCH_INCIDENT, With(kMorning, [](auto& c) { c.laneNo = 0; }), {"start-second"}},
        ConditionCase{"lane 2", SEARCH_INCIDENT, With(kMorning, [](auto& c) { c.laneNo = 2; }), {"fire", "low-speed"}},
        ConditionCase{"plate fragment with percent",
                      SEARCH_FORENSICS,
                      With(kMorning, [](auto& c) { c.plateNo = "1%"; }),
                      {"A1%B"}},
        ConditionCase{"plate fragment with underscore",
                      SEARCH_FORENSICS,
                      With(kMorning, [](auto& c) { c.plateNo = "1_"; }),
                      {"A1_B"}},
        ConditionCase{"plate fragment",
                      SEARCH_FORENSICS,
                      With(kMorning, [](auto& c) { c.plateNo = "A1"; }),
                      {"A1%B", "A1_B", "A1xB", "A12B"}},
        ConditionCase{"line pressing is two violation codes",
                      SEARCH_FORENSICS,
                      With(kMorning,
                           [](auto& c) {
                               c.types = {12301, 13451};
                           }),
                      {"A1_B", "A1xB"}},
        ConditionCase{"violations of a device on a lane",
                      SEARCH_FORENSICS,
                      With(kMorning,
                           [](auto& c) {
                               c.deviceIp = "10.0.0.2";
                               c.laneNo = 2;
                           }),
                      {"A1xB"}},
        ConditionCase{"traffic parameters by start time",
                      SEARCH_TRAFFIC_PARAM,
                      Range("20261201080500000", "20261201081000999"),
                      {"12", "13"}},
        ConditionCase{"traffic parameters ignore a type list and plate left by another tab",
                      SEARCH_TRAFFIC_PARAM,
                      With(kMorning,
                           [](auto& c) {
                               c.types = {Fire};
                               c.plateNo = "zz";
                               c.laneNo = 2;
                           }),
                      {"12", "14"}}),
    [](const ::testing::TestParamInfo<ConditionCase>& info) {
        std::string name;
        for (const char ch : std::string(info.param.name))
            name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return name;
    });

class SearchPagingTest : public DatabaseTest
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        // 70 rows, several on the same second, so paging must not lean on distinct times.
        for (int i = 0; i < 70; ++i) {
            const QString time = QStringLiteral("202612010800%1").arg(i / 3, 2, 10, QLatin1Char('0'));
            ASSERT_TRUE(database.InsertIncidentInfo(
                MakeIncident(time, Congestion, "10.0.0.1", "10.0.0.11", 1, 1, QString::number(i))));
        }
    }
};

TEST_F(SearchPagingTest, RowNumbersContinueAcrossPages)
{
    QStringList seen;
    for (const int offset : {0, 30, 60}) {
        const std::optional<SearchOutcome> outcome =
            RunSearch(database, Request(SEARCH_INCIDENT, WholeRange(), offset), kAlways);
        ASSERT_TRUE(outcome);
        ASSERT_EQ(outcome->status, SearchOutcome::Rows);
        EXPECT_EQ(outcome->total, 70);
        EXPECT_EQ(outcome->pages, 3);
        ASSERT_EQ(outcome->incidents.size(), offset == 60 ? 10 : 30);
        for (int i = 0; i < outcome->incidents.size(); ++i)
            EXPECT_EQ(outcome->incidents[i].rowNo, offset + i + 1);
        seen << Labels(*outcome);
    }
    QStringList all;
    for (int i = 0; i < 70; ++i)
        all << QString::number(i);
    EXPECT_EQ(seen, all); // every row once, in time order
}

TEST_F(SearchPagingTest, PageCountsAtTheBoundaries)
{
    const std::pair<int, int> cases[] = {{0, 1}, {1, 1}, {29, 1}, {30, 1}, {31, 2}, {60, 2}, {61, 3}};
    for (const auto& [total, pages] : cases)
        EXPECT_EQ(SearchPageCount(total), pages) << total << " rows";
}

TEST_F(SearchPagingTest, APageStepWithAKnownTotalDoesNotCount)
{
    LogCapture log("DatabaseOperation");
    SearchRequest step = Request(SEARCH_INCIDENT, WholeRange(), 30);
    step.knownTotal = 70;
    const std::optional<SearchOutcome> outcome = RunSearch(database, step, kAlways);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->status, SearchOutcome::Rows);
    EXPECT_EQ(outcome->total, 70);
    EXPECT_EQ(outcome->incidents.size(), 30);
    EXPECT_FALSE(log.Contains("获取总数成功"));

    const std::optional<SearchOutcome> first = RunSearch(database, Request(SEARCH_INCIDENT, WholeRange()), kAlways);
    ASSERT_TRUE(first);
    EXPECT_TRUE(log.Contains("获取总数成功"));
}

TEST_F(SearchPagingTest, AnUnwantedSearchStopsBeforeItsNextQuery)
{
    LogCapture log("DatabaseOperation");
    EXPECT_FALSE(RunSearch(database, Request(SEARCH_INCIDENT, WholeRange()), [] { return false; }));
    EXPECT_FALSE(log.Contains("获取总数成功"));

    // Wanted for the count, not for the page any more.
    int asked = 0;
    EXPECT_FALSE(RunSearch(database, Request(SEARCH_INCIDENT, WholeRange()), [&] { return ++asked == 1; }));
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(log.Contains("获取事件成功"));
}

TEST_F(SearchPagingTest, AFailedCountIsReportedAsSuch)
{
    database.CloseDatabase();
    const std::optional<SearchOutcome> outcome = RunSearch(database, Request(SEARCH_INCIDENT, WholeRange()), kAlways);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->status, SearchOutcome::CountFailed);
    EXPECT_TRUE(outcome->incidents.isEmpty());
}

TEST_F(SearchPagingTest, AFailedPageIsReportedAsSuch)
{
    database.CloseDatabase();
    SearchRequest step = Request(SEARCH_FORENSICS, WholeRange(), 30);
    step.knownTotal = 70;
    const std::optional<SearchOutcome> outcome = RunSearch(database, step, kAlways);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->status, SearchOutcome::FetchFailed);
}

} // namespace
