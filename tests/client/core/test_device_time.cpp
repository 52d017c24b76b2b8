#include "core/DeviceTime.h"
#include "core/Logging.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>
#include <spdlog/sinks/ringbuffer_sink.h>

namespace {

constexpr quint32 Pack(quint32 year, quint32 month, quint32 day, quint32 hour, quint32 minute, quint32 second)
{
    return ((year - 2000) << 26) | (month << 22) | (day << 17) | (hour << 12) | (minute << 6) | second;
}

struct PackedCase
{
    const char* name;
    quint32 packed;
    const char* compact; // "" when the word holds no valid time
};

// When the alarm arrived, in the cases whose word holds no valid time.
const QDateTime kReceived(QDate(2026, 5, 1), QTime(10, 20, 30));
const char* const kReceivedCompact = "20260501102030";

// The lines one logger writes while it lives.
class LoggerLines
{
public:
    explicit LoggerLines(const std::string& name)
        : logger(LoggerFor(name)), sink(std::make_shared<spdlog::sinks::ringbuffer_sink_mt>(64))
    {
        sink->set_pattern("%v");
        logger->sinks().push_back(sink);
    }
    ~LoggerLines() { logger->sinks().pop_back(); }
    std::vector<std::string> Lines() const { return sink->last_formatted(); }

private:
    std::shared_ptr<spdlog::logger> logger;
    std::shared_ptr<spdlog::sinks::ringbuffer_sink_mt> sink;
};

void PrintTo(const PackedCase& c, std::ostream* os)
{
    *os << c.name;
}

class PackedTimeTable : public testing::TestWithParam<PackedCase>
{ };

TEST_P(PackedTimeTable, FormatsValidFieldsAndRejectsOthers)
{
    const PackedCase& c = GetParam();
    const bool valid = *c.compact != '\0';
    LoggerLines log("Corvane");
    const QString compact = FormatPackedTime(c.packed, QStringLiteral("%1%2%3%4%5%6"), kReceived);
    // An invalid word is stored under the time it arrived, never empty, so
    // a search by time finds the alarm; the device's word is logged.
    EXPECT_EQ(compact.toStdString(), valid ? c.compact : kReceivedCompact);
    const std::vector<std::string> lines = log.Lines();
    if (valid) {
        EXPECT_TRUE(lines.empty());
    } else {
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find(fmt::format("FormatPackedTime, 设备时间无效: 0x{:08x}", c.packed)), std::string::npos)
            << lines[0];
        EXPECT_NE(lines[0].find("2026-05-01 10:20:30"), std::string::npos) << lines[0];
    }

    const QDateTime decoded = DecodePackedTime(c.packed);
    if (!valid) {
        EXPECT_FALSE(decoded.isValid());
    } else {
        ASSERT_TRUE(decoded.isValid());
        EXPECT_EQ(decoded.toString(QStringLiteral("yyyyMMddHHmmss")).toStdString(), c.compact);
    }
}

INSTANTIATE_TEST_SUITE_P(Fields, PackedTimeTable,
                         testing::Values(PackedCase{"Example", Pack(2026, 12, 9, 9, 5, 7), "20261209090507"},
                                         PackedCase{"EarliestYear", Pack(2000, 1, 1, 0, 0, 0), "20000101000000"},
                                         PackedCase{"LatestYear", Pack(2063, 12, 31, 23, 59, 59), "20631231235959"},
                                         PackedCase{"LeapDay", Pack(2024, 2, 29, 12, 0, 0), "20240229120000"},
                                         PackedCase{"Zero", 0, ""},
                                         PackedCase{"MonthZero", Pack(2026, 0, 9, 9, 5, 7), ""},
                                         PackedCase{"Month13", Pack(2026, 13, 9, 9, 5, 7), ""},
                                         PackedCase{"Month15", Pack(2026, 15, 9, 9, 5, 7), ""},
                                         PackedCase{"DayZero", Pack(2026, 12, 0, 9, 5, 7), ""},
                                         PackedCase{"April31", Pack(2026, 4, 31, 9, 5, 7), ""},
                                         PackedCase{"February29NotLeap", Pack(2026, 2, 29, 9, 5, 7), ""},
                                         PackedCase{"Hour24", Pack(2026, 12, 9, 24, 5, 7), ""},
                                         PackedCase{"Hour31", Pack(2026, 12, 9, 31, 5, 7), ""},
                                         PackedCase{"Minute60", Pack(2026, 12, 9, 9, 60, 7), ""},
                                         PackedCase{"Second60", Pack(2026, 12, 9, 9, 5, 60), ""},
                                         PackedCase{"Second63", Pack(2026, 12, 9, 9, 5, 63), ""}),
                         [](const testing::TestParamInfo<PackedCase>& info) { return std::string(info.param.name); });

TEST(DeviceTime, DisplayFormat)
{
    EXPECT_EQ(FormatPackedTime(Pack(2026, 12, 9, 9, 5, 7), QStringLiteral("%1_%2_%3 %4:%5:%6")),
              QStringLiteral("2026_12_09 09:05:07"));
}

TEST(DeviceTime, InvalidWordTakesTheTimeOfArrivalByDefault)
{
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const QString compact = FormatPackedTime(0, QStringLiteral("%1%2%3%4%5%6"));
    const QDateTime stored = QDateTime::fromString(compact, QStringLiteral("yyyyMMddHHmmss"));
    ASSERT_TRUE(stored.isValid()) << compact.toStdString();
    EXPECT_GE(stored, before);
    EXPECT_LE(stored, QDateTime::currentDateTime());
}

TEST(DeviceTime, CompactTextForDisplay)
{
    EXPECT_EQ(FormatCompactTime(QStringLiteral("20261209090507")), QStringLiteral("2026_12_09 09:05:07"));
    // Search conditions carry milliseconds; the last field takes up to three digits.
    EXPECT_EQ(FormatCompactTime(QStringLiteral("20261209090507042")), QStringLiteral("2026_12_09 09:05:070"));
    EXPECT_EQ(FormatCompactTime(QStringLiteral("2026120909")), QStringLiteral("2026_12_09 09::"));
    EXPECT_EQ(FormatCompactTime(QString()), QStringLiteral("__ ::"));
}

} // namespace
