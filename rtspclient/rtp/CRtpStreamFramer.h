#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Cuts the byte stream of an RTP-over-TCP connection into '$' frames. In
// cascade mode the length field is little-endian and counts 4-byte words.
// Bytes before a '$' are skipped one at a time; an incomplete frame waits
// for the next receive into FreeSpace(). Pure code, parsed in place.
class CRtpStreamFramer
{
public:
    static constexpr size_t kBufferSize = 262144;

    class Sink
    {
    public:
        virtual ~Sink() = default;
        // `data` points into the framer's buffer and is valid during the call.
        virtual void OnStreamFrame(uint8_t channel, const uint8_t* data, size_t size) = 0;
    };

    explicit CRtpStreamFramer(bool cascade = false);

    void SetCascade(bool cascade) { m_cascade = cascade; }
    // Parses in `buffer` (kBufferSize + 4 bytes, kept alive by the caller)
    // instead of the framer's own, so that a receive still pending after the
    // framer is gone writes into memory its I/O context owns.
    void Attach(uint8_t* buffer)
    {
        m_data = buffer;
        m_fill = 0;
    }
    void Reset() { m_fill = 0; }
    uint8_t* FreeSpace() { return Data() + m_fill; }
    size_t FreeSize() const { return kBufferSize - m_fill; }
    size_t Buffered() const { return m_fill; }

    void Commit(size_t bytes, Sink& sink);
    // Bytes of the framer's own buffer: none while one is attached.
    size_t OwnBufferBytes() const { return m_ownBuffer.capacity(); }

private:
    // The attached buffer, else the framer's own, made on first use: every
    // TCP track attaches its transmitter's, so its own 256 KiB went unused.
    uint8_t* Data()
    {
        if (m_data == nullptr) {
            m_ownBuffer.assign(kBufferSize + 4, 0);
            m_data = m_ownBuffer.data();
        }
        return m_data;
    }

    size_t FrameLength(const uint8_t* header) const;

    bool m_cascade;
    std::vector<uint8_t> m_ownBuffer;
    uint8_t* m_data = nullptr;
    size_t m_fill = 0;
};
