#include "TestClip.h"
#include "VendaroTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// ALSA's "null" device takes samples like a sound card and drops them.
constexpr const char* kNullDevice = "null";
constexpr int kSampleRate = 44100;

class VendaroSoundTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        s_withSound = s_dir->filePath("with-sound.mp4");
        const bool made =
            TestClip::runFfmpeg({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25", "-f", "lavfi", "-i",
                                 QString("sine=frequency=440:sample_rate=%1").arg(kSampleRate), "-t", "3", "-c:v",
                                 "libx264", "-preset", "veryfast", "-c:a", "mp2", "-f", "mpegts", s_withSound});
        if (!made)
            s_withSound.clear();
        s_silent = new TestClip(TestClip::Codec::H264, TestClip::Container::TransportStream, 1, "silent.mp4");
    }
    static void TearDownTestSuite()
    {
        delete s_silent;
        delete s_dir;
    }

    void SetUp() override
    {
        ASSERT_FALSE(s_withSound.isEmpty());
        setenv("MAVRO_SOUND_DEVICE", kNullDevice, 1);
        ASSERT_TRUE(Mavro_GetPort(&m_port));
    }
    void TearDown() override
    {
        Mavro_FreePort(m_port);
        unsetenv("MAVRO_SOUND_DEVICE");
    }

    static QTemporaryDir* s_dir;
    static QString s_withSound;
    static TestClip* s_silent;
    long m_port = -1;
};

QTemporaryDir* VendaroSoundTest::s_dir = nullptr;
QString VendaroSoundTest::s_withSound;
TestClip* VendaroSoundTest::s_silent = nullptr;

TEST_F(VendaroSoundTest, PlaysTheFilesSoundOnTheDevice)
{
    ASSERT_TRUE(Mavro_OpenFile(m_port, s_withSound.toLocal8Bit().constData()));
    ASSERT_TRUE(Mavro_PlaySoundShare(m_port));
    ASSERT_TRUE(Mavro_Play(m_port, 0));
    EXPECT_TRUE(WaitUntil([this] { return Mavro_GetPlayedSoundFrameCount(m_port) >= kSampleRate / 2; }));
    EXPECT_TRUE(Mavro_StopSoundShare(m_port));
    EXPECT_EQ(Mavro_StopSoundShare(m_port), 0);
    EXPECT_EQ(Mavro_GetLastError(m_port), unsigned(MAVRO_ERR_ORDER));
}

TEST_F(VendaroSoundTest, OtherSpeedsAreSilent)
{
    ASSERT_TRUE(Mavro_OpenFile(m_port, s_withSound.toLocal8Bit().constData()));
    ASSERT_TRUE(Mavro_PlaySoundShare(m_port));
    ASSERT_TRUE(Mavro_Fast(m_port));
    ASSERT_TRUE(Mavro_Play(m_port, 0));
    ASSERT_TRUE(WaitUntil([this] { return Mavro_GetPlayedTimeEx(m_port) >= 1000; }));
    EXPECT_EQ(Mavro_GetPlayedSoundFrameCount(m_port), 0u);
}

struct NoSoundCase
{
    const char* name;
    const char* device;
    bool silentFile;
};

void PrintTo(const NoSoundCase& row, std::ostream* out)
{
    *out << row.name;
}

class VendaroNoSoundTest : public VendaroSoundTest, public ::testing::WithParamInterface<NoSoundCase>
{ };

TEST_P(VendaroNoSoundTest, FailsWithItsOwnCodeInsteadOfPretending)
{
    setenv("MAVRO_SOUND_DEVICE", GetParam().device, 1);
    const QString path = GetParam().silentFile ? s_silent->path() : s_withSound;
    ASSERT_TRUE(Mavro_OpenFile(m_port, path.toLocal8Bit().constData()));
    EXPECT_EQ(Mavro_PlaySoundShare(m_port), 0);
    EXPECT_EQ(Mavro_GetLastError(m_port), unsigned(MAVRO_ERR_NO_SOUND));
}

INSTANTIATE_TEST_SUITE_P(Cases, VendaroNoSoundTest,
                         ::testing::Values(NoSoundCase{"NoAudioTrack", kNullDevice, true},
                                           NoSoundCase{"NoSuchDevice", "no_such_sound_device", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VendaroSoundTest, LiveStreamsHaveNoSound)
{
    const std::vector<uint8_t> header(40, 1);
    MAVRO_SESSION_INFO info{MAVRO_SESSION_HEADER, int32_t(header.size()), header.data()};
    ASSERT_TRUE(Mavro_OpenStreamAdvanced(m_port, 1, &info, 0));
    EXPECT_EQ(Mavro_PlaySoundShare(m_port), 0);
    EXPECT_EQ(Mavro_GetLastError(m_port), unsigned(MAVRO_ERR_NO_SOUND));
}

} // namespace
