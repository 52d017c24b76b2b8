// The cleaning worker on temporary picture trees, with a fixed clock and
// injected free-space figures.

#include "monitor/DataCleaner.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <boost/thread/thread.hpp>

#include <atomic>

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(12, 30));

class DataCleanerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        cleaner.SetClock([] { return kNow; });
        // The age rule alone unless a test says otherwise: the machine's own
        // disk may be nearly full, and the space rule would then take young
        // pictures too.
        cleaner.SetSpaceProbe([](const QString&) { return DataCleaner::SpaceFigures{1000, 900}; });
    }

    QString Path(const QString& relative) const { return root.filePath(relative); }

    // A file of `bytes` bytes, with its folders.
    void Write(const QString& relative, qint64 bytes = 10)
    {
        const QString path = Path(relative);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(static_cast<int>(bytes), 'x'));
    }

    // The hour folder of an instant in a picture tree.
    static QString HourDir(const QString& tree, const QDateTime& at)
    {
        return QStringLiteral("data/%1/逆行/%2/%3")
            .arg(tree, at.toString(QStringLiteral("yyyyMMdd")), at.toString(QStringLiteral("HH")));
    }

    bool Exists(const QString& relative) const { return QFileInfo::exists(Path(relative)); }

    QTemporaryDir root;
    DataCleaner cleaner;
};

TEST_F(DataCleanerTest, HourFolderNames)
{
    for (const char* name : {"00", "09", "23"})
        EXPECT_TRUE(DataCleaner::IsHourDirName(QString::fromLatin1(name))) << name;
    for (const char* name : {"24", "0", "000", "-1", "+1", "1a", ""})
        EXPECT_FALSE(DataCleaner::IsHourDirName(QString::fromLatin1(name))) << name;
    EXPECT_EQ(DataCleaner::HourOfDir(QStringLiteral("/x/20240501/13")), QDateTime(QDate(2024, 5, 1), QTime(13, 0)));
    EXPECT_FALSE(DataCleaner::HourOfDir(QStringLiteral("/x/20240231/13")).isValid());
    EXPECT_FALSE(DataCleaner::HourOfDir(QStringLiteral("/x/逆行/13")).isValid());
}

TEST_F(DataCleanerTest, AgeRuleDeletesPicturesOfOldHoursOnlyAndPrunesEmptyFolders)
{
    const QString old = HourDir(QStringLiteral("IncidentImageDir"), kNow.addDays(-31));
    const QString young = HourDir(QStringLiteral("IncidentImageDir"), kNow.addDays(-29));
    const QString oldForensics = HourDir(QStringLiteral("ForensicsImageDir"), kNow.addDays(-40));
    Write(old + QStringLiteral("/a.jpeg"));
    Write(old + QStringLiteral("/b.jpeg"));
    Write(young + QStringLiteral("/c.jpeg"));
    Write(oldForensics + QStringLiteral("/d.jpeg"));
    // Never deleted: other suffixes, clips and recordings.
    Write(oldForensics + QStringLiteral("/e.JPEG"));
    Write(oldForensics + QStringLiteral("/f.jpg"));
    const QString oldDay = kNow.addDays(-31).toString(QStringLiteral("yyyyMMdd"));
    Write(QStringLiteral("video/%1/incident_4_127.0.0.2_x.mp4").arg(oldDay));
    Write(QStringLiteral("video/127.0.0.2/2026/202610/20261001/2026100101/0000000-0500000.mp4"));

    cleaner.RunPass(root.path());

    EXPECT_FALSE(Exists(old + QStringLiteral("/a.jpeg")));
    EXPECT_FALSE(Exists(old));
    // The type folder went with its last day.
    EXPECT_FALSE(Exists(QStringLiteral("data/IncidentImageDir/逆行/") + oldDay));
    EXPECT_TRUE(Exists(young + QStringLiteral("/c.jpeg")));
    EXPECT_FALSE(Exists(oldForensics + QStringLiteral("/d.jpeg")));
    EXPECT_TRUE(Exists(oldForensics + QStringLiteral("/e.JPEG")));
    EXPECT_TRUE(Exists(oldForensics + QStringLiteral("/f.jpg")));
    EXPECT_TRUE(Exists(QStringLiteral("video/%1/incident_4_127.0.0.2_x.mp4").arg(oldDay)));
    EXPECT_TRUE(Exists(QStringLiteral("video/127.0.0.2/2026/202610/20261001/2026100101/0000000-0500000.mp4")));
    EXPECT_TRUE(Exists(QStringLiteral("data/IncidentImageDir")));
}

TEST_F(DataCleanerTest, HourThatEndsJustAtTheCutoffGoesTheNextOneStays)
{
    const QDateTime cutoff = kNow.addDays(-DataCleaner::kKeepDays);
    const QDateTime endsAtCutoff(cutoff.date(), QTime(cutoff.time().hour() - 1, 0));
    const QDateTime holdsCutoff(cutoff.date(), QTime(cutoff.time().hour(), 0));
    Write(HourDir(QStringLiteral("IncidentImageDir"), endsAtCutoff) + QStringLiteral("/a.jpeg"));
    Write(HourDir(QStringLiteral("IncidentImageDir"), holdsCutoff) + QStringLiteral("/b.jpeg"));
    EXPECT_EQ(cleaner.DeleteOldData(Path(QStringLiteral("data/IncidentImageDir")), DataCleaner::kKeepDays), 1);
    EXPECT_TRUE(Exists(HourDir(QStringLiteral("IncidentImageDir"), holdsCutoff) + QStringLiteral("/b.jpeg")));
}

struct SpaceCase
{
    const char* name;
    qint64 total;
    qint64 free;
    bool clean;
    qint64 amount;
};

class SpaceRuleTest : public DataCleanerTest, public ::testing::WithParamInterface<SpaceCase>
{ };

TEST_P(SpaceRuleTest, FreesUpToOneFifthWhenBelowOneTenth)
{
    const SpaceCase c = GetParam();
    cleaner.SetSpaceProbe([c](const QString&) { return DataCleaner::SpaceFigures{c.total, c.free}; });
    qint64 amount = -7;
    EXPECT_EQ(cleaner.IsNeedCleanByLeftSpace(root.path(), amount), c.clean);
    EXPECT_EQ(amount, c.clean ? c.amount : -7);
}

INSTANTIATE_TEST_SUITE_P(Figures, SpaceRuleTest,
                         ::testing::Values(SpaceCase{"FivePercentFree", 1000000000, 50000000, true, 150000000},
                                           SpaceCase{"ExactlyTenPercentFree", 1000000000, 100000000, false, 0},
                                           SpaceCase{"PlentyFree", 1000000000, 600000000, false, 0},
                                           SpaceCase{"NothingFree", 1000, 0, true, 200},
                                           SpaceCase{"UnknownFileSystem", -1, -1, false, 0}),
                         [](const ::testing::TestParamInfo<SpaceCase>& info) { return info.param.name; });

TEST_F(DataCleanerTest, SpaceRuleDeletesOldestHoursFirstUntilEnoughIsFree)
{
    // Three hours of 400-byte pictures, all young enough for the age rule.
    const QDateTime hours[] = {kNow.addDays(-2), kNow.addDays(-3), kNow.addDays(-1)};
    for (const QDateTime& hour : hours)
        for (int i = 0; i < 3; ++i)
            Write(HourDir(QStringLiteral("IncidentImageDir"), hour) + QStringLiteral("/p%1.jpeg").arg(i), 400);
    Write(HourDir(QStringLiteral("IncidentImageDir"), kNow.addDays(-3)) + QStringLiteral("/keep.mp4"), 400);
    // 5 % free of 20 000 bytes: 3 000 to free, the three-day-old hour and most of the two-day-old one.
    cleaner.SetSpaceProbe([](const QString&) { return DataCleaner::SpaceFigures{20000, 1000}; });

    cleaner.RunPass(root.path());

    auto pictures = [&](const QDateTime& hour) {
        return QDir(Path(HourDir(QStringLiteral("IncidentImageDir"), hour)))
            .entryList({QStringLiteral("*.jpeg")}, QDir::Files)
            .size();
    };
    EXPECT_EQ(pictures(kNow.addDays(-3)), 0);
    EXPECT_EQ(pictures(kNow.addDays(-2)), 0);
    // 2 400 bytes gone by then: two more pictures reach 3 000, the newest hour keeps one.
    EXPECT_EQ(pictures(kNow.addDays(-1)), 1);
    EXPECT_TRUE(Exists(HourDir(QStringLiteral("IncidentImageDir"), kNow.addDays(-3)) + QStringLiteral("/keep.mp4")));
}

TEST_F(DataCleanerTest, WorkerPassesAgainAfterItsIntervalAndStopsAtOnceWhenInterrupted)
{
    cleaner.SetSpaceProbe([](const QString&) { return DataCleaner::SpaceFigures{1000, 900}; });
    cleaner.SetInterval(std::chrono::milliseconds(50));
    std::atomic<int> passes{0};
    boost::thread worker([&] {
        cleaner.RunUntilInterrupted([&] {
            ++passes;
            return root.path();
        });
    });
    while (passes < 3)
        boost::this_thread::sleep_for(boost::chrono::milliseconds(5));
    // A picture aged past the limit meanwhile goes at the next pass.
    Write(HourDir(QStringLiteral("IncidentImageDir"), kNow.addDays(-45)) + QStringLiteral("/late.jpeg"));
    const int seen = passes;
    while (passes < seen + 2)
        boost::this_thread::sleep_for(boost::chrono::milliseconds(5));
    EXPECT_FALSE(Exists(HourDir(QStringLiteral("IncidentImageDir"), kNow.addDays(-45))));

    worker.interrupt();
    worker.join();
}

TEST_F(DataCleanerTest, InterruptionEndsTheLongWaitAtOnce)
{
    cleaner.SetSpaceProbe([](const QString&) { return DataCleaner::SpaceFigures{1000, 900}; });
    std::atomic<int> passes{0};
    boost::thread worker([&] {
        cleaner.RunUntilInterrupted([&] {
            ++passes;
            return root.path();
        });
    });
    while (passes < 1)
        boost::this_thread::sleep_for(boost::chrono::milliseconds(5));
    const auto start = std::chrono::steady_clock::now();
    worker.interrupt();
    worker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

} // namespace
