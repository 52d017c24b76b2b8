// Sessions against GStreamer's RTSP server: transports and standard schemes,
// a clip that ends, seeking and pausing, the ONVIF back channel, a server
// that dies, and a frame count cross-checked with ffmpeg.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

#include "LibraryEnvironment.h"
#include "PeerProcess.h"
#include "SessionHandle.h"
#include "StreamRecorder.h"

namespace {

class GstServer
{
public:
    explicit GstServer(std::vector<std::string> options)
    {
        std::vector<std::string> command{GSTREAMER_SERVER};
        command.insert(command.end(), options.begin(), options.end());
        m_started = m_process.Start(command);
    }
    bool Started() const { return m_started; }
    std::string Url(const std::string& path = "/live") const { return m_process.Url(path); }
    void Kill() { m_process.Kill(); }

private:
    PeerProcess m_process;
    bool m_started = false;
};

// A three-second H.264 clip in MPEG-TS, made once for the test program and
// removed when it ends.
class ClipFile
{
public:
    ClipFile()
        : m_path((std::filesystem::temp_directory_path() / ("corvane-session-clip-" + std::to_string(getpid()) + ".ts"))
                     .string())
    {
        const std::string command = "ffmpeg -v error -y -f lavfi -i testsrc=duration=3:size=320x240:rate=25 "
                                    "-c:v libx264 -g 25 -pix_fmt yuv420p -f mpegts " +
                                    m_path;
        m_made = std::system(command.c_str()) == 0;
    }
    ~ClipFile() { std::remove(m_path.c_str()); }
    std::string Path() const { return m_made ? m_path : std::string(); }

private:
    std::string m_path;
    bool m_made = false;
};

std::string Clip()
{
    static const ClipFile clip;
    return clip.Path();
}

struct GstCase
{
    const char* name;
    int transCode;
    const char* auth;
};

void PrintTo(const GstCase& test, std::ostream* out)
{
    *out << test.name;
}

class GstTransportAuth : public testing::TestWithParam<GstCase>
{ };

TEST_P(GstTransportAuth, PlaysLive)
{
    GstServer server({"--auth", GetParam().auth});
    ASSERT_TRUE(server.Started());
    StreamRecorder recorder;
    SessionHandle session;
    STREAM_PARAM_T param = recorder.Param(server.Url(), GetParam().transCode, "admin", "admin123");
    ASSERT_EQ(Pellmar_StartStream(session, &param), 0);
    EXPECT_TRUE(recorder.WaitPackets(50)) << recorder.packets;
    EXPECT_GT(recorder.frames, 0);
    EXPECT_EQ(Pellmar_StopStream(session), 0);
    recorder.stopped = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(recorder.afterStop, 0);
}

INSTANTIATE_TEST_SUITE_P(UdpAndInterleaved, GstTransportAuth,
                         testing::Values(GstCase{"udp_none", PELLMAR_TRANS_UDP, "none"},
                                         GstCase{"udp_basic", PELLMAR_TRANS_UDP, "basic"},
                                         GstCase{"udp_digest", PELLMAR_TRANS_UDP, "digest"},
                                         GstCase{"interleaved_none", PELLMAR_TRANS_RTSP, "none"},
                                         GstCase{"interleaved_basic", PELLMAR_TRANS_RTSP, "basic"},
                                         GstCase{"interleaved_digest", PELLMAR_TRANS_RTSP, "digest"}),
                         [](const testing::TestParamInfo<GstCase>& info) { return std::string(info.param.name); });

TEST(GstSession, WrongPasswordGivesTheUnauthorizedPosition)
{
    GstServer server({"--auth", "digest"});
    ASSERT_TRUE(server.Started());
    StreamRecorder recorder;
    SessionHandle session;
    STREAM_PARAM_T param = recorder.Param(server.Url(), PELLMAR_TRANS_RTSP, "admin", "nope");
    EXPECT_EQ(Pellmar_StartStream(session, &param), 11);
}

TEST(GstSession, ClipEndsWithEndOfStream)
{
    ASSERT_FALSE(Clip().empty());
    GstServer server({"--clip", Clip()});
    ASSERT_TRUE(server.Started());
    StreamRecorder recorder;
    SessionHandle session;
    STREAM_PARAM_T param = recorder.Param(server.Url("/clip"), PELLMAR_TRANS_UDP);
    ASSERT_EQ(Pellmar_StartStream(session, &param), 0);
    EXPECT_TRUE(recorder.WaitUntil([&] { return recorder.CountBlocks(PELLMAR_DATA_END_OF_STREAM) > 0; },
                                   std::chrono::seconds(30)));
}

TEST(GstSession, PauseStopsTheFlowAndSeekRestartsIt)
{
    ASSERT_FALSE(Clip().empty());
    GstServer server({"--clip", Clip()});
    ASSERT_TRUE(server.Started());
    StreamRecorder recorder;
    SessionHandle session;
    STREAM_PARAM_T param = recorder.Param(server.Url("/clip"), PELLMAR_TRANS_RTSP);
    ASSERT_EQ(Pellmar_StartStream(session, &param), 0);
    ASSERT_TRUE(recorder.WaitPackets(20));
    ASSERT_EQ(Pellmar_Pause(session), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const long paused = recorder.packets;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_LE(recorder.packets - paused, 2);
    ASSERT_EQ(Pellmar_SeekByRelTime(session, 1, 0), 0);
    EXPECT_TRUE(recorder.WaitPackets(paused + 20));
    EXPECT_EQ(Pellmar_SetScale(session, 2.0), 0);
}

TEST(GstSession, OnvifBackChannelIsSetUp)
{
    GstServer server({});
    ASSERT_TRUE(server.Started());
    StreamRecorder recorder;
    SessionHandle session;
    ASSERT_EQ(Pellmar_EnableBackChannel(session), 0);
    STREAM_PARAM_T param = recorder.Param(server.Url("/backchannel"), PELLMAR_TRANS_RTSP);
    ASSERT_EQ(Pellmar_StartStream(session, &param), 0);
    const int index = Pellmar_GetBackChannelIndex(session);
    ASSERT_GE(index, 0);
    std::vector<unsigned char> samples(160, 0xFF);
    STREAM_DATA_T data{samples.data(), static_cast<uint32_t>(samples.size()), 0, 1, 160};
    EXPECT_EQ(Pellmar_SendData(session, index, &data), 0);
    EXPECT_TRUE(recorder.WaitPackets(20));
}

TEST(GstSession, ServerKilledWhilePlayingIsReported)
{
    GstServer server({});
    ASSERT_TRUE(server.Started());
    StreamRecorder recorder;
    SessionHandle session;
    STREAM_PARAM_T param = recorder.Param(server.Url(), PELLMAR_TRANS_RTSP);
    ASSERT_EQ(Pellmar_StartStream(session, &param), 0);
    ASSERT_TRUE(recorder.WaitPackets(10));
    server.Kill();
    EXPECT_TRUE(recorder.WaitMessage(PELLMAR_MSG_EXCEPTION, PELLMAR_EXC_CONNECTION_LOST));
    EXPECT_EQ(Pellmar_StopStream(session), 0);
}

// ffmpeg and the library receive the same frames of the same clip.
TEST(GstSession, FrameCountMatchesFfmpeg)
{
    ASSERT_FALSE(Clip().empty());
    GstServer server({"--clip", Clip()});
    ASSERT_TRUE(server.Started());
    const std::string command = "ffmpeg -nostats -rtsp_transport tcp -i " + server.Url("/clip") +
                                " -c copy -f null - 2>&1 | grep -o 'frame= *[0-9]*' | tail -1 | tr -dc 0-9";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[64];
        while (std::fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        pclose(pipe);
    }
    ASSERT_FALSE(output.empty());
    const long ffmpegFrames = std::stol(output);

    StreamRecorder recorder;
    SessionHandle session;
    STREAM_PARAM_T param = recorder.Param(server.Url("/clip"), PELLMAR_TRANS_RTSP);
    ASSERT_EQ(Pellmar_StartStream(session, &param), 0);
    ASSERT_TRUE(recorder.WaitUntil([&] { return recorder.CountBlocks(PELLMAR_DATA_END_OF_STREAM) > 0; },
                                   std::chrono::seconds(30)));
    EXPECT_EQ(recorder.frames, ffmpegFrames);
}

} // namespace
