#include "FrameIo.h"

namespace tessoran::wire {
namespace {

ReadStatus fromIo(IoStatus status) {
  switch (status) {
    case IoStatus::Ok: return ReadStatus::Ok;
    case IoStatus::Timeout: return ReadStatus::Timeout;
    case IoStatus::Woken: return ReadStatus::Woken;
    default: return ReadStatus::Closed;
  }
}

}  // namespace

ReadStatus readFrame(Socket& socket, int firstByteMs, int bodyMs, const std::vector<int>& wakeFds,
                     Frame& out, std::string& why) {
  IoStatus ready = socket.waitReadable(firstByteMs, wakeFds);
  if (ready != IoStatus::Ok) return fromIo(ready);
  uint8_t header[kHeaderSize];
  IoStatus got = socket.readExact(header, sizeof header, bodyMs, wakeFds);
  if (got != IoStatus::Ok) return fromIo(got);
  HeaderStatus status = decodeHeader(header, sizeof header, out.header);
  if (status != HeaderStatus::Ok) {
    why = headerStatusText(status);
    return ReadStatus::Malformed;
  }
  out.body.resize(out.header.length);
  return fromIo(socket.readExact(out.body.data(), out.body.size(), bodyMs, wakeFds));
}

IoStatus writeFrame(Socket& socket, Kind kind, uint32_t sequence, const std::vector<uint8_t>& body,
                    int timeoutMs, const std::vector<int>& wakeFds) {
  std::vector<uint8_t> frame = encodeFrame(kind, sequence, body);
  return socket.writeAll(frame.data(), frame.size(), timeoutMs, wakeFds);
}

}  // namespace tessoran::wire
