// Downloads by time from the simulated device's recording.

#include "SdkFixture.h"

#include <QDateTime>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <thread>

using namespace std::chrono;

namespace {

TSR_TIME toTime(const QDateTime& t)
{
    return TSR_TIME{static_cast<uint32_t>(t.date().year()),   static_cast<uint32_t>(t.date().month()),
                    static_cast<uint32_t>(t.date().day()),    static_cast<uint32_t>(t.time().hour()),
                    static_cast<uint32_t>(t.time().minute()), static_cast<uint32_t>(t.time().second())};
}

TSR_PLAYCOND condition(const QDateTime& start, const QDateTime& end, uint32_t channel = 1)
{
    TSR_PLAYCOND c{};
    c.dwChannel = channel;
    c.struStartTime = toTime(start);
    c.struStopTime = toTime(end);
    return c;
}

class DownloadTest : public SdkFixture
{
protected:
    void SetUp() override
    {
        SdkFixture::SetUp();
        ASSERT_TRUE(dir_.isValid());
        loginId_ = loginDevice();
        ASSERT_GE(loginId_, 0);
    }
    // Polls as the client does, only faster; returns the final position.
    int32_t pollToEnd(int32_t handle)
    {
        int32_t position = 0;
        testsupport::WaitUntil(
            [&] {
                position = TSR_GetDownloadPos(handle);
                return position < 0 || position >= 100;
            },
            seconds(60));
        return position;
    }
    QTemporaryDir dir_;
    int32_t loginId_ = -1;
};

TEST_F(DownloadTest, ProgressReachesHundredAndTheFilePlays)
{
    QDateTime now = QDateTime::currentDateTime();
    QString path = dir_.filePath("incident_4_127.0.0.2_clip.mp4");
    TSR_PLAYCOND c = condition(now.addSecs(-40), now.addSecs(-10));
    int32_t handle = TSR_GetFileByTime(loginId_, path.toUtf8().constData(), &c);
    ASSERT_GE(handle, 0) << TSR_GetErrorMsg(nullptr);
    EXPECT_EQ(TSR_GetDownloadPos(handle), 0); // nothing flows before the start
    ASSERT_TRUE(TSR_PlayBackControl(handle, TSR_PLAYSTART, nullptr, 0, nullptr, nullptr));
    EXPECT_FALSE(TSR_PlayBackControl(handle, TSR_PLAYSTART, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(pollToEnd(handle), 100);
    ASSERT_TRUE(TSR_StopGetFile(handle));

    // The recording loops a short clip, so timestamps jump back: count frames
    // instead of trusting the container's duration. 30 s at 25 frames a second.
    QProcess ffprobe;
    ffprobe.start("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                              "stream=codec_name,nb_read_frames", "-of", "csv=p=0", path});
    ASSERT_TRUE(ffprobe.waitForFinished(60000));
    QStringList fields = QString::fromUtf8(ffprobe.readAllStandardOutput()).section('\n', 0, 0).trimmed().split(',');
    ASSERT_EQ(fields.size(), 2) << fields.join(',').toStdString();
    EXPECT_EQ(fields[0], "h264");
    EXPECT_NEAR(fields[1].toInt(), 750, 25);
}

struct RangeCase
{
    const char* name;
    int startOffset; // seconds from now
    int endOffset;
    uint32_t channel;
    uint32_t expectedError;
};

// Test names in ctest show the case name instead of the bytes.
void PrintTo(const RangeCase& c, std::ostream* os)
{
    *os << c.name;
}

class DownloadRangeTest : public DownloadTest, public ::testing::WithParamInterface<RangeCase>
{ };

TEST_P(DownloadRangeTest, IsRefused)
{
    const RangeCase& r = GetParam();
    QDateTime now = QDateTime::currentDateTime();
    TSR_PLAYCOND c = condition(now.addSecs(r.startOffset), now.addSecs(r.endOffset), r.channel);
    QString path = dir_.filePath("none.mp4");
    EXPECT_EQ(TSR_GetFileByTime(loginId_, path.toUtf8().constData(), &c), -1);
    EXPECT_EQ(TSR_GetLastError(), r.expectedError) << TSR_GetErrorMsg(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Ranges, DownloadRangeTest,
                         ::testing::Values(RangeCase{"InTheFuture", 600, 660, 1, TSR_ERR_NO_VIDEO},
                                           RangeCase{"BeforeRecordingBegan", -3 * 3600, -3 * 3600 + 30, 1,
                                                     TSR_ERR_NO_VIDEO},
                                           RangeCase{"EndBeforeStart", -10, -40, 1, TSR_ERR_NO_VIDEO},
                                           RangeCase{"NoSuchChannel", -40, -10, 9, TSR_ERR_CHANNEL}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadTest, DeviceDroppedMidDownloadEndsInFailure)
{
    device().setDownloadRate(40 * 1024);
    QDateTime now = QDateTime::currentDateTime();
    TSR_PLAYCOND c = condition(now.addSecs(-60), now.addSecs(-10));
    QString path = dir_.filePath("broken.mp4");
    int32_t handle = TSR_GetFileByTime(loginId_, path.toUtf8().constData(), &c);
    ASSERT_GE(handle, 0);
    ASSERT_TRUE(TSR_PlayBackControl(handle, TSR_PLAYSTART, nullptr, 0, nullptr, nullptr));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return TSR_GetDownloadPos(handle) > 0; }));
    device().drop();
    int32_t position = pollToEnd(handle);
    EXPECT_TRUE(position > 100 || position < 0) << position;
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_CONNECTION_LOST));
    EXPECT_TRUE(TSR_StopGetFile(handle));
    EXPECT_EQ(TSR_GetDownloadPos(handle), -1);
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_INVALID_HANDLE));
}

TEST_F(DownloadTest, StopBeforeTheEndLeavesNoThreadBehind)
{
    device().setDownloadRate(20 * 1024);
    QDateTime now = QDateTime::currentDateTime();
    TSR_PLAYCOND c = condition(now.addSecs(-60), now.addSecs(-10));
    int32_t handle = TSR_GetFileByTime(loginId_, dir_.filePath("partial.mp4").toUtf8().constData(), &c);
    ASSERT_GE(handle, 0);
    ASSERT_TRUE(TSR_PlayBackControl(handle, TSR_PLAYSTART, nullptr, 0, nullptr, nullptr));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return TSR_GetDownloadPos(handle) > 0; }));
    auto started = steady_clock::now();
    EXPECT_TRUE(TSR_StopGetFile(handle));
    EXPECT_LT(steady_clock::now() - started, seconds(3));
    EXPECT_GT(QFileInfo(dir_.filePath("partial.mp4")).size(), 0);
}

TEST_F(DownloadTest, UnwritableTargetIsRefused)
{
    QDateTime now = QDateTime::currentDateTime();
    TSR_PLAYCOND c = condition(now.addSecs(-40), now.addSecs(-10));
    QString path = dir_.filePath("missing-folder/clip.mp4");
    EXPECT_EQ(TSR_GetFileByTime(loginId_, path.toUtf8().constData(), &c), -1);
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_FILE));
}

} // namespace

CORVANE_GTEST_MAIN_WITH_GUI
