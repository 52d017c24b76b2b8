// A real RTP sender: ffmpeg streams H.264 over RTP/UDP (with its RTCP sender
// reports) to a UDP transport session of ours.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>
#include <string>

#include "LoopbackPeer.h"
#include "TransportEnvironment.h"
#include "rtp/CRtpUdpTransSession.h"
#include "rtpcore/RtpPacket.h"

namespace {

struct Packets
{
    std::mutex mutex;
    std::vector<loopback::Bytes> items;

    static int OnDelivery(STREAM_DATA_T* data, void* context)
    {
        Packets* self = static_cast<Packets*>(context);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->items.emplace_back(data->pData, data->pData + data->uiDataLen);
        return 0;
    }
};

// Runs ffmpeg with the arguments; returns its process id, or -1.
pid_t StartFfmpeg(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        execvp("ffmpeg", argv.data());
        _exit(127);
    }
    return pid;
}

// Waits for the process to end; kills it (and only it) after the limit.
int WaitForExit(pid_t pid, int timeoutMs)
{
    int status = 0;
    if (!loopback::WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs)) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(FfmpegRtpPeer, UdpSessionReceivesARealH264Stream)
{
    if (system("ffmpeg -hide_banner -loglevel quiet -version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "ffmpeg is not installed";
    const uint16_t ours = testsupport::reservePortPair();
    const uint16_t theirs = testsupport::reservePortPair();
    ASSERT_NE(ours, 0);
    ASSERT_NE(theirs, 0);

    Packets packets;
    CRtpUdpTransSession session;
    ASSERT_EQ(session.OpenUdp(nullptr, ours, "127.0.0.1", theirs), 0);
    ASSERT_EQ(session.RecvData(Packets::OnDelivery, &packets, 1), 0);

    const std::string url = "rtp://127.0.0.1:" + std::to_string(ours) + "?localrtpport=" + std::to_string(theirs) +
                            "&localrtcpport=" + std::to_string(theirs + 1);
    const pid_t ffmpeg = StartFfmpeg({"ffmpeg",
                                      "-hide_banner",
                                      "-loglevel",
                                      "error",
                                      "-re",
                                      "-f",
                                      "lavfi",
                                      "-i",
                                      "testsrc=size=160x120:rate=25",
                                      "-t",
                                      "2",
                                      "-c:v",
                                      "libx264",
                                      "-preset",
                                      "ultrafast",
                                      "-tune",
                                      "zerolatency",
                                      "-payload_type",
                                      "96",
                                      "-f",
                                      "rtp",
                                      url});
    ASSERT_GT(ffmpeg, 0);
    EXPECT_EQ(WaitForExit(ffmpeg, 30000), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    session.Close();

    std::lock_guard<std::mutex> lock(packets.mutex);
    ASSERT_GE(packets.items.size(), 40u) << "about 50 frames in 2 s";
    rtpcore::RtpPacket previous;
    int markers = 0;
    for (size_t i = 0; i < packets.items.size(); ++i) {
        rtpcore::RtpPacket packet;
        ASSERT_EQ(rtpcore::RtpPacket::Parse(packets.items[i].data(), packets.items[i].size(), packet),
                  rtpcore::RtpParseError::None);
        EXPECT_EQ(packet.payloadType, 96);
        if (i > 0) {
            EXPECT_EQ(packet.sequence, uint16_t(previous.sequence + 1)) << "no loss, no reordering on loopback";
            EXPECT_EQ((packet.timestamp - previous.timestamp) % 3600, 0u) << "25 frames a second at 90 kHz";
            EXPECT_EQ(packet.ssrc, previous.ssrc);
        }
        markers += packet.marker;
        previous = packet;
    }
    EXPECT_GE(markers, 40) << "one marker per frame";
}
