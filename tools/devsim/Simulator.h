#pragma once
// A set of simulated devices and the cameras their configurations list, each on
// its own loopback address, sharing one video clip and one picture bank.

#include "DeviceSpec.h"
#include "PictureBank.h"
#include "RtspService.h"
#include "SimDevice.h"
#include "VideoClip.h"

#include <QDateTime>

#include <memory>
#include <string>
#include <vector>

namespace devsim {

struct Layout
{
    int devices = 3;
    int camerasPerDevice = 2;
    uint16_t port = 8000; // of devices and cameras alike
    std::string user = "admin";
    std::string devicePassword = "dev12345";
    std::string cameraPassword = "cam12345";
    std::string alarmHost = "127.0.0.1";
    uint16_t alarmPort = 5650; // 0: no alarms
    double alarmsPerSecond = 0.2;
    int firstSubnet = 10; // device i is 127.0.<firstSubnet + i>.1, its cameras .2, .3 ...
};

class Simulator
{
public:
    Simulator();
    ~Simulator();

    // Devices from a layout: names, serials and addresses follow the index.
    static std::vector<DeviceSpec> devicesFor(const Layout& layout);
    // The clip next to the program, made by ffmpeg when it is missing.
    static std::string defaultClipPath();

    // Pads every alarm picture to at least this size; call before start.
    void setPictureBytes(size_t bytes) { pictureBytes_ = bytes; }
    // The size of the clip's pictures (made at this size when missing); call before start.
    void setClipSize(uint16_t width, uint16_t height) { clip_.setSize(width, height); }
    bool start(std::vector<DeviceSpec> devices, const std::string& clipPath, std::string& error);
    void stop();
    // Serves every enabled camera over RTSP on this port as well; call after start.
    bool serveRtsp(uint16_t port, std::string& error);
    const RtspService& rtsp() const { return rtsp_; }

    // Devices with alarms and configurations (not their cameras), in start order.
    const std::vector<SimDevice*>& devices() const { return devices_; }
    // Any device or camera by address; null when none listens there.
    SimDevice* find(const std::string& address) const;
    // Live video streams open on every device and camera.
    int liveStreams() const;
    const VideoClip& clip() const { return clip_; }
    // Video is recorded from this instant on; downloads before it are refused.
    const QDateTime& recordingSince() const { return recordingSince_; }

private:
    VideoClip clip_;
    std::unique_ptr<PictureBank> pictures_;
    size_t pictureBytes_ = 0;
    QDateTime recordingSince_;
    std::vector<std::unique_ptr<SimDevice>> all_;
    std::vector<SimDevice*> devices_;
    RtspService rtsp_;
};

} // namespace devsim
