#pragma once
// Framing of the device protocol: a 16-byte header, then the body.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessoran::wire {

constexpr uint32_t kMagic = 0x50525354; // "TSRP" on the wire
constexpr uint8_t kVersion = 2;
constexpr size_t kHeaderSize = 16;
constexpr uint32_t kMaxBody = 16u << 20;
// Before an alarm connection has proved its device, frames are small: a header
// announcing more is refused before any body byte is read.
constexpr uint32_t kMaxHelloBody = 1024;

enum class Kind : uint8_t {
    Error = 0x01,
    LoginHello = 0x10,
    LoginChallenge = 0x11,
    LoginProof = 0x12,
    LoginAccepted = 0x13,
    Logout = 0x14,
    Heartbeat = 0x20,
    HeartbeatAck = 0x21,
    ConfigQuery = 0x30,
    ConfigReply = 0x31,
    PlayOpen = 0x40,
    PlayHeader = 0x41,
    PlayData = 0x42,
    DownloadOpen = 0x50,
    DownloadInfo = 0x51,
    DownloadStart = 0x52,
    DownloadData = 0x53,
    DownloadEnd = 0x54,
    Alarm = 0x60,
    AlarmChallenge = 0x61,
    AlarmHello = 0x62,
    AlarmAccepted = 0x63,
    AlarmAck = 0x64,
};

// Error codes carried by Error frames (see PROTOCOL.md).
enum class WireError : uint32_t {
    BadFrame = 1,
    BadCredentials = 2,
    LoginRefused = 3,
    NotLoggedIn = 4,
    Unsupported = 5,
    NoChannel = 6,
    NoVideo = 7,
    Busy = 8,
};

struct FrameHeader
{
    uint8_t version = kVersion;
    Kind kind = Kind::Error;
    uint32_t sequence = 0;
    uint32_t length = 0;
};

enum class HeaderStatus { Ok, NeedMore, BadMagic, BadVersion, TooLong };

// Checks the first kHeaderSize bytes of a frame.
HeaderStatus decodeHeader(const uint8_t* data, size_t size, FrameHeader& out);
const char* headerStatusText(HeaderStatus status);

// One frame, header and body, ready to send.
std::vector<uint8_t> encodeFrame(Kind kind, uint32_t sequence, const std::vector<uint8_t>& body);
std::vector<uint8_t> encodeFrame(Kind kind, uint32_t sequence, const uint8_t* body, size_t size);

// Body of an Error frame.
std::vector<uint8_t> errorBody(WireError code, const char* text);
bool parseErrorBody(const std::vector<uint8_t>& body, WireError& code, std::string& text);

} // namespace tessoran::wire
