#include "Frame.h"

#include "ByteIo.h"

namespace tessoran::wire {

HeaderStatus decodeHeader(const uint8_t* data, size_t size, FrameHeader& out)
{
    if (size < kHeaderSize)
        return HeaderStatus::NeedMore;
    ByteReader in(data, kHeaderSize);
    if (in.u32() != kMagic)
        return HeaderStatus::BadMagic;
    out.version = in.u8();
    out.kind = static_cast<Kind>(in.u8());
    in.u16(); // reserved
    out.sequence = in.u32();
    out.length = in.u32();
    if (out.version != kVersion)
        return HeaderStatus::BadVersion;
    if (out.length > kMaxBody)
        return HeaderStatus::TooLong;
    return HeaderStatus::Ok;
}

const char* headerStatusText(HeaderStatus status)
{
    switch (status) {
    case HeaderStatus::Ok: return "ok";
    case HeaderStatus::NeedMore: return "truncated header";
    case HeaderStatus::BadMagic: return "bad magic";
    case HeaderStatus::BadVersion: return "unsupported version";
    case HeaderStatus::TooLong: return "length over the cap";
    }
    return "unknown";
}

std::vector<uint8_t> encodeFrame(Kind kind, uint32_t sequence, const uint8_t* body, size_t size)
{
    ByteWriter out;
    out.u32(kMagic);
    out.u8(kVersion);
    out.u8(static_cast<uint8_t>(kind));
    out.u16(0);
    out.u32(sequence);
    out.u32(static_cast<uint32_t>(size));
    out.raw(body, size);
    return out.take();
}

std::vector<uint8_t> encodeFrame(Kind kind, uint32_t sequence, const std::vector<uint8_t>& body)
{
    return encodeFrame(kind, sequence, body.data(), body.size());
}

std::vector<uint8_t> errorBody(WireError code, const char* text)
{
    ByteWriter out;
    out.u32(static_cast<uint32_t>(code));
    out.text(text ? text : "");
    return out.take();
}

bool parseErrorBody(const std::vector<uint8_t>& body, WireError& code, std::string& text)
{
    ByteReader in(body.data(), body.size());
    code = static_cast<WireError>(in.u32());
    text = in.text();
    return in.atEnd();
}

} // namespace tessoran::wire
