#include "TestClip.h"
#include "VendaroTestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <atomic>

namespace {

constexpr int kSeconds = 4;
constexpr int kFrames = kSeconds * TestClip::kFrameRate;
constexpr double kSamePicture = 6.0;

struct CallbackLog
{
    std::atomic<int> count{0};
    std::atomic<long> port{-1};

    static void record(long port, void* user)
    {
        auto* log = static_cast<CallbackLog*>(user);
        log->port = port;
        ++log->count;
    }
};

// One recording-like clip for the whole suite: MPEG-TS under a ".mp4" name.
class VendaroFileTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_clip = new TestClip(TestClip::Codec::H264, TestClip::Container::TransportStream, kSeconds, "clip.mp4");
    }
    static void TearDownTestSuite()
    {
        delete s_clip;
        s_clip = nullptr;
    }

    void SetUp() override
    {
        ASSERT_FALSE(s_clip->path().isEmpty());
        ASSERT_TRUE(Mavro_GetPort(&m_port));
        ASSERT_TRUE(Mavro_SetFileRefCallBack(m_port, CallbackLog::record, &m_index));
        ASSERT_TRUE(Mavro_SetFileEndCallback(m_port, CallbackLog::record, &m_end));
    }
    void TearDown() override { Mavro_FreePort(m_port); }

    bool openClip() { return Mavro_OpenFile(m_port, s_clip->path().toLocal8Bit().constData()) != 0; }
    bool waitForIndex()
    {
        return WaitUntil([this] { return m_index.count == 1; });
    }
    bool waitForFrame(unsigned int frame)
    {
        return WaitUntil([&] { return Mavro_GetCurrentFrameNum(m_port) == frame; });
    }
    double differenceFromSource(int frame)
    {
        return TestClip::meanDifference(lastFrame(m_port), s_clip->referenceFrame(frame));
    }

    static TestClip* s_clip;
    long m_port = -1;
    CallbackLog m_index;
    CallbackLog m_end;
};

TestClip* VendaroFileTest::s_clip = nullptr;

TEST_F(VendaroFileTest, OpenKnowsTheLengthAndAnnouncesTheIndexOnce)
{
    ASSERT_TRUE(openClip());
    EXPECT_EQ(Mavro_GetFileTime(m_port), unsigned(kSeconds));
    EXPECT_EQ(Mavro_GetPlayedTime(m_port), -1); // nothing played yet
    ASSERT_TRUE(waitForIndex());
    EXPECT_EQ(m_index.port.load(), m_port);
    EXPECT_EQ(Mavro_GetFileTotalFrames(m_port), unsigned(kFrames));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(m_index.count.load(), 1);
}

TEST_F(VendaroFileTest, PlaysToTheEndAndReportsTheEndOnce)
{
    ASSERT_TRUE(openClip());
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(Mavro_Fast(m_port));
    ASSERT_TRUE(Mavro_Play(m_port, 0));
    ASSERT_TRUE(WaitUntil([this] { return m_end.count == 1; }));
    EXPECT_EQ(m_end.port.load(), m_port);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(m_end.count.load(), 1);
    EXPECT_EQ(Mavro_GetDecodedFrameCount(m_port), unsigned(kFrames));
    EXPECT_EQ(Mavro_GetPlayedTimeEx(m_port), (kFrames - 1) * 1000 / TestClip::kFrameRate);
    EXPECT_LT(differenceFromSource(kFrames - 1), kSamePicture);

    // Playing again after the end starts over and ends again.
    ASSERT_TRUE(Mavro_Play(m_port, 0));
    EXPECT_TRUE(WaitUntil([this] { return m_end.count == 2; }));
}

TEST_F(VendaroFileTest, PauseHoldsThePositionAndResumeGoesOn)
{
    ASSERT_TRUE(openClip());
    EXPECT_EQ(Mavro_Pause(m_port, 1), 0);
    EXPECT_EQ(Mavro_GetLastError(m_port), unsigned(MAVRO_ERR_ORDER));
    ASSERT_TRUE(Mavro_Play(m_port, 0));
    ASSERT_TRUE(WaitUntil([this] { return Mavro_GetPlayedTimeEx(m_port) >= 200; }));
    ASSERT_TRUE(Mavro_Pause(m_port, 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // a picture in flight may still land
    const int paused = Mavro_GetPlayedTimeEx(m_port);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(Mavro_GetPlayedTimeEx(m_port), paused);
    ASSERT_TRUE(Mavro_Pause(m_port, 0));
    EXPECT_TRUE(WaitUntil([&] { return Mavro_GetPlayedTimeEx(m_port) > paused; }));
}

TEST_F(VendaroFileTest, SpeedMovesByPowersOfTwoBetweenOneSixteenthAndSixteen)
{
    ASSERT_TRUE(openClip());
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(Mavro_Fast(m_port)) << i;
    EXPECT_EQ(Mavro_Fast(m_port), 0);
    EXPECT_EQ(Mavro_GetLastError(m_port), unsigned(MAVRO_ERR_LIMIT));
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(Mavro_Slow(m_port)) << i;
    EXPECT_EQ(Mavro_Slow(m_port), 0);
    EXPECT_EQ(Mavro_GetLastError(m_port), unsigned(MAVRO_ERR_LIMIT));
}

TEST_F(VendaroFileTest, StepsForwardAndBackStopAtBothEnds)
{
    ASSERT_TRUE(openClip());
    ASSERT_TRUE(waitForIndex());
    EXPECT_EQ(Mavro_OneByOneBack(m_port), 0);
    EXPECT_EQ(Mavro_GetLastError(m_port), unsigned(MAVRO_ERR_LIMIT));

    ASSERT_TRUE(Mavro_OneByOne(m_port));
    ASSERT_TRUE(Mavro_OneByOne(m_port));
    ASSERT_TRUE(waitForFrame(1));
    EXPECT_LT(differenceFromSource(1), kSamePicture);
    ASSERT_TRUE(Mavro_OneByOneBack(m_port));
    ASSERT_TRUE(waitForFrame(0));
    EXPECT_LT(differenceFromSource(0), kSamePicture);
    EXPECT_EQ(Mavro_OneByOneBack(m_port), 0);

    ASSERT_TRUE(Mavro_SetPlayedTimeEx(m_port, kSeconds * 1000));
    ASSERT_TRUE(waitForFrame(kFrames - 1));
    EXPECT_EQ(Mavro_OneByOne(m_port), 0);
    EXPECT_EQ(Mavro_GetLastError(m_port), unsigned(MAVRO_ERR_LIMIT));
    // Back from the last picture: from the key frame before it, decoded forward.
    ASSERT_TRUE(Mavro_OneByOneBack(m_port));
    ASSERT_TRUE(waitForFrame(kFrames - 2));
    EXPECT_LT(differenceFromSource(kFrames - 2), kSamePicture);
    EXPECT_EQ(m_end.count.load(), 0);
}

TEST_F(VendaroFileTest, ABurstOfSeeksEndsAtTheNewest)
{
    ASSERT_TRUE(openClip());
    ASSERT_TRUE(Mavro_Play(m_port, 0));
    ASSERT_TRUE(Mavro_Pause(m_port, 1));
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(Mavro_SetPlayedTimeEx(m_port, unsigned((i * 7919) % (kSeconds * 1000))));
    ASSERT_TRUE(Mavro_SetPlayedTimeEx(m_port, 2500));
    const int frameAt2500 = 2500 * TestClip::kFrameRate / 1000;
    ASSERT_TRUE(WaitUntil([&] { return Mavro_GetPlayedTimeEx(m_port) == frameAt2500 * 1000 / TestClip::kFrameRate; }))
        << Mavro_GetPlayedTimeEx(m_port);
    EXPECT_LT(differenceFromSource(frameAt2500), kSamePicture);
}

TEST_F(VendaroFileTest, SetPlayPosAcceptsTheWholeRangeOnly)
{
    ASSERT_TRUE(openClip());
    EXPECT_TRUE(Mavro_SetPlayPos(m_port, 0.0f));
    EXPECT_TRUE(Mavro_SetPlayPos(m_port, 1.0f));
    EXPECT_EQ(Mavro_SetPlayPos(m_port, 1.01f), 0);
    EXPECT_EQ(Mavro_GetLastError(m_port), unsigned(MAVRO_ERR_PARAMETER));
    EXPECT_TRUE(Mavro_SetPlayPos(m_port, 0.5f));
    EXPECT_TRUE(WaitUntil([&] { return std::abs(Mavro_GetPlayPos(m_port) - 0.5f) < 0.02f; }));
}

TEST_F(VendaroFileTest, ACutShortFilePlaysWhatItHolds)
{
    const auto bytes = s_clip->bytes();
    const QString path = s_clip->path() + ".cut.mp4";
    QFile cut(path);
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size() * 6 / 10 + 77));
    cut.close();

    ASSERT_TRUE(Mavro_OpenFile(m_port, path.toLocal8Bit().constData()));
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(Mavro_Fast(m_port));
    ASSERT_TRUE(Mavro_Play(m_port, 0));
    ASSERT_TRUE(WaitUntil([this] { return m_end.count == 1; }));
    EXPECT_GT(Mavro_GetDecodedFrameCount(m_port), unsigned(kFrames / 2));
    EXPECT_LT(Mavro_GetDecodedFrameCount(m_port), unsigned(kFrames));
}

TEST_F(VendaroFileTest, ARecordingThatStartsWithTheDeviceHeaderPlays)
{
    // Recordings hold the device's blocks as delivered, its stream header first.
    // The longer headers keep the content in doubt past the first looks at it.
    for (const int headerBytes : {40, 3000, 20000}) {
        SCOPED_TRACE(headerBytes);
        QByteArray recording(headerBytes, '\0');
        recording.replace(0, 20, "DEVICE STREAM HEADER");
        const auto bytes = s_clip->bytes();
        recording.append(reinterpret_cast<const char*>(bytes.data()), int(bytes.size()));
        const QString path = s_clip->path() + QString(".recording%1.mp4").arg(headerBytes);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(recording);
        file.close();

        m_index.count = 0;
        ASSERT_TRUE(Mavro_OpenFile(m_port, path.toLocal8Bit().constData())) << Mavro_GetLastError(m_port);
        EXPECT_EQ(Mavro_GetFileTime(m_port), unsigned(kSeconds));
        ASSERT_TRUE(waitForIndex());
        EXPECT_EQ(Mavro_GetFileTotalFrames(m_port), unsigned(kFrames));
        ASSERT_TRUE(Mavro_SetPlayedTimeEx(m_port, 1000));
        ASSERT_TRUE(waitForFrame(TestClip::kFrameRate));
        EXPECT_LT(differenceFromSource(TestClip::kFrameRate), kSamePicture);
        ASSERT_TRUE(Mavro_CloseFile(m_port));
    }
}

TEST_F(VendaroFileTest, AFileStillBeingWrittenNeverCrashesThePlayer)
{
    const auto bytes = s_clip->bytes();
    const QString path = s_clip->path() + ".growing.mp4";
    QFile growing(path);
    ASSERT_TRUE(growing.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const qint64 half = qint64(bytes.size() / 2);
    growing.write(reinterpret_cast<const char*>(bytes.data()), half);
    ASSERT_TRUE(Mavro_OpenFile(m_port, path.toLocal8Bit().constData()));
    ASSERT_TRUE(Mavro_Play(m_port, 0));
    for (qint64 offset = half; offset < qint64(bytes.size()); offset += 4096) {
        growing.write(reinterpret_cast<const char*>(bytes.data()) + offset,
                      std::min<qint64>(4096, qint64(bytes.size()) - offset));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    growing.close();
    ASSERT_TRUE(Mavro_Fast(m_port));
    EXPECT_TRUE(WaitUntil([this] { return m_end.count == 1; }));
    EXPECT_GT(Mavro_GetDecodedFrameCount(m_port), 0u);
}

TEST_F(VendaroFileTest, TheSameFilePlaysOnTwoPorts)
{
    long second = -1;
    ASSERT_TRUE(Mavro_GetPort(&second));
    CallbackLog secondEnd;
    ASSERT_TRUE(Mavro_SetFileEndCallback(second, CallbackLog::record, &secondEnd));
    ASSERT_TRUE(openClip());
    ASSERT_TRUE(Mavro_OpenFile(second, s_clip->path().toLocal8Bit().constData()));
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(Mavro_Fast(m_port));
        ASSERT_TRUE(Mavro_Fast(second));
    }
    ASSERT_TRUE(Mavro_Play(m_port, 0));
    ASSERT_TRUE(Mavro_Play(second, 0));
    EXPECT_TRUE(WaitUntil([&] { return m_end.count == 1 && secondEnd.count == 1; }));
    EXPECT_EQ(m_end.port.load(), m_port);
    EXPECT_EQ(secondEnd.port.load(), second);
    EXPECT_EQ(Mavro_GetDecodedFrameCount(second), unsigned(kFrames));
    Mavro_FreePort(second);
}

TEST_F(VendaroFileTest, CloseFileEndsFileCalls)
{
    ASSERT_TRUE(openClip());
    ASSERT_TRUE(Mavro_CloseFile(m_port));
    EXPECT_EQ(Mavro_CloseFile(m_port), 0);
    EXPECT_EQ(Mavro_Play(m_port, 0), 0);
    EXPECT_EQ(Mavro_GetLastError(m_port), unsigned(MAVRO_ERR_ORDER));
    EXPECT_EQ(Mavro_GetFileTime(m_port), 0u);
}

struct BadFileCase
{
    const char* name;
    QByteArray content; // null: the file does not exist
    unsigned int error;
};

void PrintTo(const BadFileCase& row, std::ostream* out)
{
    *out << row.name;
}

class VendaroBadFileTest : public ::testing::TestWithParam<BadFileCase>
{ };

TEST_P(VendaroBadFileTest, OpenFailsWithItsReason)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("record.mp4");
    if (!GetParam().content.isNull()) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(GetParam().content);
    }
    long port = -1;
    ASSERT_TRUE(Mavro_GetPort(&port));
    EXPECT_EQ(Mavro_OpenFile(port, path.toLocal8Bit().constData()), 0);
    EXPECT_EQ(Mavro_GetLastError(port), GetParam().error);
    EXPECT_EQ(Mavro_Play(port, 0), 0);
    Mavro_FreePort(port);
}

QByteArray garbage()
{
    QByteArray bytes(200000, '\0');
    uint32_t state = 12345;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = char(state >> 24);
    }
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(Cases, VendaroBadFileTest,
                         ::testing::Values(BadFileCase{"Missing", QByteArray(), MAVRO_ERR_OPEN_FILE},
                                           BadFileCase{"ZeroBytes", QByteArray(""), MAVRO_ERR_UNKNOWN_FORMAT},
                                           BadFileCase{"GarbageNamedMp4", garbage(), MAVRO_ERR_UNKNOWN_FORMAT}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
