#include "core/DeviceTime.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

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

void PrintTo(const PackedCase& c, std::ostream* os)
{
    *os << c.name;
}

class PackedTimeTable : public testing::TestWithParam<PackedCase>
{
};

TEST_P(PackedTimeTable, FormatsValidFieldsAndRejectsOthers)
{
    const PackedCase& c = GetParam();
    const QString compact = FormatPackedTime(c.packed, QStringLiteral("%1%2%3%4%5%6"));
    EXPECT_EQ(compact.toStdString(), c.compact);

    const QDateTime decoded = DecodePackedTime(c.packed);
    if (*c.compact == '\0') {
        EXPECT_FALSE(decoded.isValid());
    } else {
        ASSERT_TRUE(decoded.isValid());
        EXPECT_EQ(decoded.toString(QStringLiteral("yyyyMMddHHmmss")).toStdString(), c.compact);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, PackedTimeTable,
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

TEST(DeviceTime, CompactTextForDisplay)
{
    EXPECT_EQ(FormatCompactTime(QStringLiteral("20261209090507")), QStringLiteral("2026_12_09 09:05:07"));
    // Search conditions carry milliseconds; the last field takes up to three digits.
    EXPECT_EQ(FormatCompactTime(QStringLiteral("20261209090507042")), QStringLiteral("2026_12_09 09:05:070"));
    EXPECT_EQ(FormatCompactTime(QStringLiteral("2026120909")), QStringLiteral("2026_12_09 09::"));
    EXPECT_EQ(FormatCompactTime(QString()), QStringLiteral("__ ::"));
}

} // namespace
