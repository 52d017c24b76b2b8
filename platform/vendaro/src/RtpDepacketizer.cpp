#include "RtpDepacketizer.h"

namespace vendaro {

namespace {
constexpr uint8_t kStartCode[] = {0, 0, 0, 1};

uint16_t readUint16(const uint8_t* p)
{
    return uint16_t(p[0] << 8 | p[1]);
}

enum H264NalType { H264Idr = 5, H264Sps = 7, H264Pps = 8, H264StapA = 24, H264FuA = 28 };
enum H265NalType {
    H265IrapFirst = 16,
    H265IrapLast = 21,
    H265Vps = 32,
    H265Sps = 33,
    H265Pps = 34,
    H265Aggregation = 48,
    H265Fragment = 49
};
} // namespace

RtpDepacketizer::RtpDepacketizer(const SdpVideoTrack& track) : m_track(track)
{
    for (const auto& set : track.parameterSets)
        if (set.size() > sizeof kStartCode)
            m_parameterSets[nalType(set.data() + sizeof kStartCode)] = set;
}

void RtpDepacketizer::push(const RtpPacket& packet, std::vector<AccessUnit>& out)
{
    if (!m_haveSource || packet.ssrc != m_ssrc) {
        // A new source restarts the stream: nothing of the old one is kept.
        if (m_haveSource)
            resynchronise();
        m_haveSource = true;
        m_ssrc = packet.ssrc;
    } else if (packet.sequence != m_expectedSequence) {
        markBroken();
    }
    m_expectedSequence = uint16_t(packet.sequence + 1);

    if (m_unitOpen && packet.timestamp != m_unit.timestamp)
        finishAccessUnit(out);
    if (!m_unitOpen) {
        m_unit = AccessUnit{};
        m_unit.timestamp = packet.timestamp;
        m_unitOpen = true;
    }

    if (m_track.codec == VideoCodec::H264)
        payloadH264(packet.payload, packet.payloadSize);
    else
        payloadH265(packet.payload, packet.payloadSize);

    if (packet.marker)
        finishAccessUnit(out);
}

void RtpDepacketizer::payloadH264(const uint8_t* payload, size_t size)
{
    if (size < 1)
        return;
    const int type = payload[0] & 0x1f;
    if (type >= 1 && type <= 23) {
        appendNal(payload, size);
    } else if (type == H264StapA) {
        appendAggregated(payload, size, 1, 0);
    } else if (type == H264FuA) {
        if (size < 2)
            return markBroken();
        const uint8_t fuHeader = payload[1];
        const uint8_t nalHeader = uint8_t((payload[0] & 0xe0) | (fuHeader & 0x1f));
        appendFragment(fuHeader, &nalHeader, 1, payload + 2, size - 2);
    }
    // STAP-B, MTAP and FU-B belong to interleaved packetisation, which we do not
    // negotiate; such packets are ignored.
}

void RtpDepacketizer::payloadH265(const uint8_t* payload, size_t size)
{
    if (size < 2)
        return;
    const int type = (payload[0] >> 1) & 0x3f;
    const size_t donSize = m_track.hasDonField ? 2 : 0;
    if (type == H265Aggregation) {
        appendAggregated(payload, size, 2 + donSize, m_track.hasDonField ? 1 : 0);
    } else if (type == H265Fragment) {
        if (size < 3)
            return markBroken();
        const uint8_t fuHeader = payload[2];
        const uint8_t nalHeader[2] = {uint8_t((payload[0] & 0x81) | ((fuHeader & 0x3f) << 1)), payload[1]};
        // Only a start fragment carries the DONL field.
        const size_t skip = (fuHeader & 0x80) ? donSize : 0;
        if (size < 3 + skip)
            return markBroken();
        appendFragment(fuHeader, nalHeader, 2, payload + 3 + skip, size - 3 - skip);
    } else if (type < H265Aggregation) {
        if (donSize == 0) {
            appendNal(payload, size);
        } else if (size > 2 + donSize) {
            std::vector<uint8_t> nal(payload, payload + 2);
            nal.insert(nal.end(), payload + 2 + donSize, payload + size);
            appendNal(nal.data(), nal.size());
        }
    }
    // PACI (50) and the reserved types carry nothing we decode.
}

void RtpDepacketizer::appendAggregated(const uint8_t* payload, size_t size, size_t offset, size_t gap)
{
    for (bool first = true; offset + 2 <= size; first = false) {
        if (!first)
            offset += gap; // H.265 DOND before every unit after the first
        if (offset + 2 > size)
            break;
        const size_t nalSize = readUint16(payload + offset);
        offset += 2;
        if (nalSize == 0 || offset + nalSize > size)
            return markBroken();
        appendNal(payload + offset, nalSize);
        offset += nalSize;
    }
}

void RtpDepacketizer::appendFragment(uint8_t fuHeader, const uint8_t* nalHeader, size_t nalHeaderSize,
                                     const uint8_t* data, size_t size)
{
    const bool start = fuHeader & 0x80;
    const bool end = fuHeader & 0x40;
    if (start)
        startFragment(nalHeader, nalHeaderSize, data, size);
    else
        continueFragment(data, size, false);
    if (end)
        continueFragment(nullptr, 0, true);
}

void RtpDepacketizer::startFragment(const uint8_t* header, size_t headerSize, const uint8_t* data, size_t size)
{
    if (m_fragmentOpen)
        markBroken(); // the previous fragment never ended
    m_fragment.assign(header, header + headerSize);
    m_fragment.insert(m_fragment.end(), data, data + size);
    m_fragmentOpen = true;
}

void RtpDepacketizer::continueFragment(const uint8_t* data, size_t size, bool end)
{
    if (!m_fragmentOpen) {
        markBroken(); // a middle or end without its start
        return;
    }
    if (m_fragment.size() + size > kMaxAccessUnitSize) {
        markBroken();
        return;
    }
    m_fragment.insert(m_fragment.end(), data, data + size);
    if (end) {
        m_fragmentOpen = false;
        appendNal(m_fragment.data(), m_fragment.size());
        m_fragment.clear();
    }
}

void RtpDepacketizer::appendNal(const uint8_t* nal, size_t size)
{
    if (m_unitBroken || size == 0)
        return;
    if (m_unit.data.size() + size + sizeof kStartCode > kMaxAccessUnitSize) {
        markBroken();
        return;
    }
    const int type = nalType(nal);
    std::vector<uint8_t>& data = m_unit.data;
    data.insert(data.end(), kStartCode, kStartCode + sizeof kStartCode);
    data.insert(data.end(), nal, nal + size);
    if (isParameterSet(type)) {
        m_parameterSets[type].assign(kStartCode, kStartCode + sizeof kStartCode);
        m_parameterSets[type].insert(m_parameterSets[type].end(), nal, nal + size);
        m_unitHasParameterSets = true;
    }
    if (isKeyNal(type))
        m_unit.keyFrame = true;
}

void RtpDepacketizer::finishAccessUnit(std::vector<AccessUnit>& out)
{
    const bool usable = m_unitOpen && !m_unitBroken && !m_fragmentOpen && !m_unit.data.empty();
    if (usable && m_unit.keyFrame)
        m_awaitingKeyFrame = false;
    if (usable && !m_awaitingKeyFrame) {
        if (m_unit.keyFrame && !m_unitHasParameterSets) {
            // Out-of-band (SDP) or earlier in-band parameter sets go in front,
            // so decoding can start on this picture.
            std::vector<uint8_t> prefixed;
            for (const auto& set : m_parameterSets)
                prefixed.insert(prefixed.end(), set.second.begin(), set.second.end());
            m_unit.data.insert(m_unit.data.begin(), prefixed.begin(), prefixed.end());
        }
        out.push_back(std::move(m_unit));
    }
    if (m_unitBroken || m_fragmentOpen)
        m_awaitingKeyFrame = true;
    discardUnit();
}

void RtpDepacketizer::discardUnit()
{
    m_unit = AccessUnit{};
    m_unitOpen = false;
    m_unitBroken = false;
    m_unitHasParameterSets = false;
    m_fragment.clear();
    m_fragmentOpen = false;
}

void RtpDepacketizer::markBroken()
{
    m_unitBroken = true;
    m_awaitingKeyFrame = true;
    m_fragment.clear();
    m_fragmentOpen = false;
}

void RtpDepacketizer::resynchronise()
{
    discardUnit();
    m_awaitingKeyFrame = true;
}

int RtpDepacketizer::nalType(const uint8_t* nal) const
{
    return m_track.codec == VideoCodec::H264 ? nal[0] & 0x1f : (nal[0] >> 1) & 0x3f;
}

bool RtpDepacketizer::isKeyNal(int type) const
{
    return m_track.codec == VideoCodec::H264 ? type == H264Idr : type >= H265IrapFirst && type <= H265IrapLast;
}

bool RtpDepacketizer::isParameterSet(int type) const
{
    return m_track.codec == VideoCodec::H264 ? type == H264Sps || type == H264Pps : type >= H265Vps && type <= H265Pps;
}

} // namespace vendaro
