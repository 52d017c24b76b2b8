#include "Simulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace devsim {

Simulator::Simulator() = default;

Simulator::~Simulator()
{
    stop();
}

std::vector<DeviceSpec> Simulator::devicesFor(const Layout& layout)
{
    std::vector<DeviceSpec> devices;
    for (int i = 0; i < layout.devices; ++i) {
        DeviceSpec d;
        std::string subnet = "127.0." + std::to_string(layout.firstSubnet + i) + ".";
        d.name = "路侧检测器" + std::to_string(i + 1);
        d.serial = "CVSIM" + std::to_string(100000 + i);
        d.address = subnet + "1";
        d.port = layout.port;
        d.user = layout.user;
        d.password = layout.devicePassword;
        d.alarmHost = layout.alarmPort ? layout.alarmHost : std::string();
        d.alarmPort = layout.alarmPort;
        d.alarmsPerSecond = layout.alarmsPerSecond;
        d.seed = static_cast<uint32_t>(i + 1);
        for (int c = 0; c < layout.camerasPerDevice; ++c) {
            CameraSpec camera;
            camera.address = subnet + std::to_string(c + 2);
            camera.port = layout.port;
            camera.user = layout.user;
            camera.password = layout.cameraPassword;
            d.cameras.push_back(camera);
        }
        devices.push_back(std::move(d));
    }
    return devices;
}

std::string Simulator::defaultClipPath()
{
    // Beside the program, also before a QCoreApplication exists: the shared
    // temporary folder would collect one clip per machine and never lose it.
    QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                               : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath("devsim-clip.ts").toStdString();
}

bool Simulator::start(std::vector<DeviceSpec> devices, const std::string& clipPath, std::string& error)
{
    if (!VideoClip::make(clipPath, 10, error, clip_.width(), clip_.height()) || !clip_.load(clipPath, error))
        return false;
    pictures_ = std::make_unique<PictureBank>(QStringLiteral("Corvane 设备模拟器"), 8, pictureBytes_);
    recordingSince_ = QDateTime::currentDateTime().addSecs(-3600);
    for (auto& spec : devices) {
        for (auto& camera : spec.cameras) {
            if (!camera.enabled)
                continue;
            DeviceSpec served;
            served.name = "camera " + camera.address;
            served.serial = spec.serial + "-" + camera.address;
            served.address = camera.address;
            served.port = camera.port;
            served.user = camera.user;
            served.password = camera.password;
            all_.push_back(std::make_unique<SimDevice>(served, clip_, *pictures_, recordingSince_));
        }
        all_.push_back(std::make_unique<SimDevice>(spec, clip_, *pictures_, recordingSince_));
        devices_.push_back(all_.back().get());
    }
    for (auto& device : all_) {
        if (!device->start(error)) {
            stop();
            return false;
        }
    }
    return true;
}

bool Simulator::serveRtsp(uint16_t port, std::string& error)
{
    std::vector<CameraSpec> cameras;
    for (SimDevice* device : devices_)
        for (const CameraSpec& camera : device->spec().cameras)
            if (camera.enabled)
                cameras.push_back(camera);
    return rtsp_.start(cameras, port, error);
}

void Simulator::stop()
{
    rtsp_.stop();
    for (auto& device : all_)
        device->stop();
    devices_.clear();
    all_.clear();
}

SimDevice* Simulator::find(const std::string& address) const
{
    for (auto& device : all_)
        if (device->spec().address == address)
            return device.get();
    return nullptr;
}

int Simulator::liveStreams() const
{
    int streams = 0;
    for (auto& device : all_)
        streams += device->liveStreams();
    return streams;
}

} // namespace devsim
