// The simulator's cameras over RTSP, checked with ffprobe as the client.

#include "ControlCommands.h"
#include "Simulator.h"

#include "../../platform/tessoran/TestSupport.h"

#include <QProcess>

namespace {

struct Probe
{
    bool finished = false;
    int exitCode = -1;
    std::string output;
};

// ffprobe's view of the first video stream: "h264,640,360" when it plays.
Probe probe(const std::string& url, const std::string& user, const std::string& password, const char* transport)
{
    std::string withLogin = url;
    withLogin.insert(std::string("rtsp://").size(), user + ":" + password + "@");
    QProcess ffprobe;
    ffprobe.start("ffprobe", {"-v", "error", "-rtsp_transport", transport, "-select_streams", "v:0", "-show_entries",
                              "stream=codec_name,width,height", "-of", "csv=p=0", QString::fromStdString(withLogin)});
    Probe result;
    result.finished = ffprobe.waitForFinished(60000);
    if (!result.finished) {
        ffprobe.kill();
        ffprobe.waitForFinished();
    }
    result.exitCode = ffprobe.exitCode();
    result.output = ffprobe.readAllStandardOutput().trimmed().toStdString();
    return result;
}

class RtspServiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        devsim::Layout layout;
        layout.devices = 2;
        layout.camerasPerDevice = 2;
        layout.port = testsupport::reservePort();
        layout.alarmPort = 0;
        layout.firstSubnet = testsupport::privateSubnet();
        specs_ = devsim::Simulator::devicesFor(layout);
        specs_[1].cameras[1].enabled = false;
        std::string error;
        ASSERT_TRUE(sim_.start(specs_, devsim::Simulator::defaultClipPath(), error)) << error;
        rtspPort_ = testsupport::reservePort();
        ASSERT_TRUE(sim_.serveRtsp(rtspPort_, error)) << error;
    }

    std::vector<devsim::DeviceSpec> specs_;
    devsim::Simulator sim_;
    uint16_t rtspPort_ = 0;
};

TEST_F(RtspServiceTest, EveryEnabledCameraHasItsUrlInTheList)
{
    const std::string list = devsim::executeControl(sim_, "list");
    for (const auto& device : specs_) {
        for (const auto& camera : device.cameras) {
            const std::string url = devsim::RtspService::urlFor(camera.address, rtspPort_);
            EXPECT_EQ(sim_.rtsp().urlOf(camera.address), camera.enabled ? url : std::string());
            EXPECT_EQ(list.find(" rtsp " + url) != std::string::npos, camera.enabled) << list;
        }
    }
    EXPECT_EQ(sim_.rtsp().urlOf(specs_[0].address), "") << "devices themselves serve no RTSP";
}

TEST_F(RtspServiceTest, ServesH264ToTheCameraLoginOverBothTransports)
{
    for (const char* transport : {"tcp", "udp"}) {
        for (const auto& camera : {specs_[0].cameras[0], specs_[1].cameras[0]}) {
            const Probe seen = probe(sim_.rtsp().urlOf(camera.address), camera.user, camera.password, transport);
            EXPECT_TRUE(seen.finished);
            EXPECT_EQ(seen.exitCode, 0) << transport << " " << camera.address;
            EXPECT_EQ(seen.output, "h264,640,360") << transport << " " << camera.address;
        }
    }
}

TEST_F(RtspServiceTest, RefusesAWrongLogin)
{
    const auto& camera = specs_[0].cameras[1];
    const std::string url = sim_.rtsp().urlOf(camera.address);
    for (const auto& [user, password] : {std::pair<std::string, std::string>{camera.user, "wrong"},
                                         {"intruder", camera.password},
                                         {camera.user, specs_[0].password}}) {
        const Probe seen = probe(url, user, password, "tcp");
        EXPECT_TRUE(seen.finished);
        EXPECT_NE(seen.exitCode, 0) << user << ":" << password;
        EXPECT_EQ(seen.output, "") << user << ":" << password;
    }
}

TEST_F(RtspServiceTest, StopFreesThePortForTheNextStart)
{
    const auto& camera = specs_[0].cameras[0];
    EXPECT_EQ(probe(sim_.rtsp().urlOf(camera.address), camera.user, camera.password, "tcp").exitCode, 0);
    sim_.stop();
    EXPECT_FALSE(sim_.rtsp().isRunning());
    EXPECT_EQ(sim_.rtsp().urlOf(camera.address), "");

    devsim::Simulator again;
    std::string error;
    ASSERT_TRUE(again.start(specs_, devsim::Simulator::defaultClipPath(), error)) << error;
    ASSERT_TRUE(again.serveRtsp(rtspPort_, error)) << error;
    EXPECT_EQ(probe(again.rtsp().urlOf(camera.address), camera.user, camera.password, "tcp").output, "h264,640,360");
}

TEST_F(RtspServiceTest, APortInUseIsReportedAndNothingServes)
{
    // The simulator of the fixture already listens there.
    std::string error;
    devsim::RtspService clash;
    EXPECT_FALSE(clash.start(specs_[0].cameras, rtspPort_, error));
    EXPECT_NE(error.find(std::to_string(rtspPort_)), std::string::npos) << error;
    EXPECT_FALSE(clash.isRunning());
    EXPECT_EQ(clash.urlOf(specs_[0].cameras[0].address), "");
}

} // namespace
