#include "AlarmHello.h"

#include "ByteIo.h"

namespace tessoran::wire {

std::string AlarmHello::signedFields() const
{
    ByteWriter out;
    out.text(address);
    out.u16(port);
    out.text(user);
    out.u64(runId);
    const std::vector<uint8_t>& bytes = out.bytes();
    return std::string(bytes.begin(), bytes.end());
}

std::vector<uint8_t> AlarmHello::encode() const
{
    std::string fields = signedFields();
    std::vector<uint8_t> body(fields.begin(), fields.end());
    body.insert(body.end(), proof.begin(), proof.end());
    return body;
}

void AlarmHello::sign(const std::string& password, const Nonce& listenerNonce)
{
    proof = alarmProof(password, listenerNonce, signedFields());
}

bool decodeAlarmHello(const std::vector<uint8_t>& body, AlarmHello& out, std::string& why)
{
    ByteReader in(body.data(), body.size());
    out.address = in.text();
    out.port = in.u16();
    out.user = in.text();
    out.runId = in.u64();
    in.raw(out.proof.data(), out.proof.size());
    if (!in.atEnd()) {
        why = "malformed alarm hello";
        return false;
    }
    return true;
}

std::vector<uint8_t> encodeAlarmAccepted(uint32_t lastDelivered)
{
    ByteWriter out;
    out.u32(lastDelivered);
    return out.take();
}

bool decodeAlarmAccepted(const std::vector<uint8_t>& body, uint32_t& lastDelivered)
{
    ByteReader in(body.data(), body.size());
    lastDelivered = in.u32();
    return in.atEnd();
}

} // namespace tessoran::wire
