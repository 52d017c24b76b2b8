#pragma once
// Serves every simulated camera over RTSP as well: one server per camera on the
// camera's own loopback address, the same port for all, Digest authentication
// with the camera's login, and an H.264 test picture (a pattern of its own per
// camera, so a wall of them tells the cameras apart) at /live.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace devsim {

struct CameraSpec;

class RtspService
{
public:
    RtspService();
    ~RtspService();
    RtspService(const RtspService&) = delete;
    RtspService& operator=(const RtspService&) = delete;

    // Listens on port of every camera's address; false with the reason when one
    // cannot listen (nothing is served then).
    bool start(const std::vector<CameraSpec>& cameras, uint16_t port, std::string& error);
    // Ends every session and stops listening; returns once no server thread runs.
    void stop();
    bool isRunning() const;

    // The URL a client plays for a camera; empty when it is not served.
    std::string urlOf(const std::string& cameraAddress) const;
    static std::string urlFor(const std::string& address, uint16_t port);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace devsim
