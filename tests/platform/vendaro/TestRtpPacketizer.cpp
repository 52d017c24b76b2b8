#include "TestRtpPacketizer.h"

#include <QByteArray>

TestRtpPacketizer::TestRtpPacketizer(bool h265, uint8_t payloadType, uint32_t ssrc, size_t maxPayload)
    : m_h265(h265), m_payloadType(payloadType), m_ssrc(ssrc), m_maxPayload(maxPayload)
{
}

std::vector<TestRtpPacketizer::Nal> TestRtpPacketizer::splitAnnexB(const std::vector<uint8_t>& s)
{
    std::vector<Nal> nals;
    size_t start = std::string::npos;
    for (size_t i = 0; i + 3 <= s.size();) {
        if (s[i] == 0 && s[i + 1] == 0 && s[i + 2] == 1) {
            if (start != std::string::npos) {
                size_t end = i;
                while (end > start && s[end - 1] == 0)
                    --end;
                nals.emplace_back(s.begin() + long(start), s.begin() + long(end));
            }
            i += 3;
            start = i;
        } else {
            ++i;
        }
    }
    if (start != std::string::npos && start < s.size())
        nals.emplace_back(s.begin() + long(start), s.end());
    return nals;
}

int TestRtpPacketizer::nalType(const Nal& nal) const
{
    return m_h265 ? (nal[0] >> 1) & 0x3f : nal[0] & 0x1f;
}

bool TestRtpPacketizer::isVcl(const Nal& nal) const
{
    const int type = nalType(nal);
    return m_h265 ? type < 32 : type >= 1 && type <= 5;
}

bool TestRtpPacketizer::isParameterSet(const Nal& nal) const
{
    const int type = nalType(nal);
    return m_h265 ? type >= 32 && type <= 34 : type == 7 || type == 8;
}

bool TestRtpPacketizer::startsPicture(const Nal& nal) const
{
    if (isVcl(nal))
        return m_h265 ? nal.size() > 2 && (nal[2] & 0x80) : nal.size() > 1 && (nal[1] & 0x80);
    return true; // parameter sets, SEI and delimiters come before a picture's slices
}

std::vector<std::vector<TestRtpPacketizer::Nal>> TestRtpPacketizer::accessUnits(const std::vector<Nal>& nals) const
{
    std::vector<std::vector<Nal>> units;
    bool unitHasSlice = false;
    for (const Nal& nal : nals) {
        if (nal.size() < 2)
            continue;
        if (units.empty() || (unitHasSlice && startsPicture(nal))) {
            units.emplace_back();
            unitHasSlice = false;
        }
        units.back().push_back(nal);
        unitHasSlice = unitHasSlice || isVcl(nal);
    }
    return units;
}

TestRtpPacketizer::Packet TestRtpPacketizer::rtpPacket(uint8_t payloadType, bool marker, uint16_t sequence,
                                                       uint32_t timestamp, uint32_t ssrc,
                                                       const std::vector<uint8_t>& payload)
{
    Packet packet{0x80,
                  uint8_t((marker ? 0x80 : 0) | payloadType),
                  uint8_t(sequence >> 8),
                  uint8_t(sequence),
                  uint8_t(timestamp >> 24),
                  uint8_t(timestamp >> 16),
                  uint8_t(timestamp >> 8),
                  uint8_t(timestamp),
                  uint8_t(ssrc >> 24),
                  uint8_t(ssrc >> 16),
                  uint8_t(ssrc >> 8),
                  uint8_t(ssrc)};
    packet.insert(packet.end(), payload.begin(), payload.end());
    return packet;
}

void TestRtpPacketizer::send(const std::vector<uint8_t>& payload, bool marker, uint32_t timestamp,
                             std::vector<Packet>& out)
{
    out.push_back(rtpPacket(m_payloadType, marker, m_sequence++, timestamp, m_ssrc, payload));
}

void TestRtpPacketizer::fragment(const Nal& nal, bool lastOfUnit, uint32_t timestamp, std::vector<Packet>& out)
{
    const size_t headerSize = m_h265 ? 2 : 1;
    const int type = nalType(nal);
    for (size_t offset = headerSize; offset < nal.size();) {
        const size_t chunk = std::min(m_maxPayload, nal.size() - offset);
        const bool first = offset == headerSize;
        const bool last = offset + chunk == nal.size();
        std::vector<uint8_t> payload;
        if (m_h265)
            payload = {uint8_t((nal[0] & 0x81) | (49 << 1)), nal[1]};
        else
            payload = {uint8_t((nal[0] & 0xe0) | 28)};
        payload.push_back(uint8_t((first ? 0x80 : 0) | (last ? 0x40 : 0) | type));
        payload.insert(payload.end(), nal.begin() + long(offset), nal.begin() + long(offset + chunk));
        send(payload, lastOfUnit && last, timestamp, out);
        offset += chunk;
    }
}

std::vector<std::vector<TestRtpPacketizer::Packet>> TestRtpPacketizer::packetize(const std::vector<uint8_t>& annexB)
{
    std::vector<std::vector<Packet>> pictures;
    uint32_t timestamp = 90000;
    for (const auto& unit : accessUnits(splitAnnexB(annexB))) {
        std::vector<Packet> packets;
        std::vector<uint8_t> aggregate = m_h265 ? std::vector<uint8_t>{48 << 1, 1} : std::vector<uint8_t>{24};
        for (size_t i = 0; i < unit.size(); ++i) {
            const Nal& nal = unit[i];
            const bool last = i + 1 == unit.size();
            if (isParameterSet(nal)) {
                aggregate.push_back(uint8_t(nal.size() >> 8));
                aggregate.push_back(uint8_t(nal.size()));
                aggregate.insert(aggregate.end(), nal.begin(), nal.end());
                continue;
            }
            if (aggregate.size() > (m_h265 ? 2u : 1u)) {
                send(aggregate, false, timestamp, packets);
                aggregate.resize(m_h265 ? 2 : 1);
            }
            if (nal.size() <= m_maxPayload)
                send(nal, last, timestamp, packets);
            else
                fragment(nal, last, timestamp, packets);
        }
        pictures.push_back(std::move(packets));
        timestamp += 90000 / 25;
    }
    return pictures;
}

std::string TestRtpPacketizer::sdp(const std::vector<uint8_t>& annexB) const
{
    std::vector<std::string> sets[3]; // VPS, SPS, PPS
    for (const Nal& nal : splitAnnexB(annexB)) {
        if (nal.size() < 2 || !isParameterSet(nal))
            continue;
        const int type = nalType(nal);
        const int slot = m_h265 ? type - 32 : type - 6;
        const QByteArray encoded = QByteArray(reinterpret_cast<const char*>(nal.data()), int(nal.size())).toBase64();
        if (sets[slot].empty())
            sets[slot].push_back(encoded.toStdString());
    }
    const std::string pt = std::to_string(m_payloadType);
    std::string text = "v=0\r\no=- 0 0 IN IP4 127.0.0.1\r\ns=test\r\nt=0 0\r\n"
                       "m=audio 0 RTP/AVP 8\r\na=rtpmap:8 PCMA/8000\r\n"
                       "m=video 0 RTP/AVP " +
                       pt + "\r\n";
    if (m_h265 && !sets[0].empty() && !sets[1].empty() && !sets[2].empty())
        text += "a=rtpmap:" + pt + " H265/90000\r\na=fmtp:" + pt + " sprop-vps=" + sets[0][0] +
                ";sprop-sps=" + sets[1][0] + ";sprop-pps=" + sets[2][0] + "\r\n";
    else if (!m_h265 && !sets[1].empty() && !sets[2].empty())
        text += "a=rtpmap:" + pt + " H264/90000\r\na=fmtp:" + pt +
                " packetization-mode=1;sprop-parameter-sets=" + sets[1][0] + "," + sets[2][0] + "\r\n";
    return text + "a=control:trackID=1\r\n";
}
