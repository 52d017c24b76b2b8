#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Packetises an Annex-B H.264 or H.265 stream into RTP as a camera would:
// parameter sets aggregated (STAP-A / AP), large NAL units fragmented
// (FU-A / FU), one timestamp per picture and the marker on its last packet.
class TestRtpPacketizer
{
public:
    using Packet = std::vector<uint8_t>;

    TestRtpPacketizer(bool h265, uint8_t payloadType, uint32_t ssrc, size_t maxPayload = 1200);

    // All packets of the stream, picture by picture.
    std::vector<std::vector<Packet>> packetize(const std::vector<uint8_t>& annexB);
    // SDP naming an audio track first and then this video track.
    std::string sdp(const std::vector<uint8_t>& annexB) const;

    static Packet rtpPacket(uint8_t payloadType, bool marker, uint16_t sequence, uint32_t timestamp, uint32_t ssrc,
                            const std::vector<uint8_t>& payload);
    void setSsrc(uint32_t ssrc) { m_ssrc = ssrc; }

private:
    using Nal = std::vector<uint8_t>;
    static std::vector<Nal> splitAnnexB(const std::vector<uint8_t>& stream);
    std::vector<std::vector<Nal>> accessUnits(const std::vector<Nal>& nals) const;
    int nalType(const Nal& nal) const;
    bool isVcl(const Nal& nal) const;
    bool isParameterSet(const Nal& nal) const;
    bool startsPicture(const Nal& nal) const;
    void send(const std::vector<uint8_t>& payload, bool marker, uint32_t timestamp, std::vector<Packet>& out);
    void fragment(const Nal& nal, bool lastOfUnit, uint32_t timestamp, std::vector<Packet>& out);

    const bool m_h265;
    const uint8_t m_payloadType;
    uint32_t m_ssrc;
    const size_t m_maxPayload;
    uint16_t m_sequence = 1000;
};
