#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Cuts the byte stream of an RTSP connection into text messages (header up to
// the blank line, plus a Content-Length body) and '$' interleaved frames. The
// bytes are received straight into its buffer and parsed in place; whatever
// is incomplete stays for the next receive, so the reader resumes wherever
// the stream was cut. Pure code: no sockets, no locks, no logging.
class CRtspStreamFramer
{
public:
    static constexpr size_t kBufferSize = 262144;

    class Sink
    {
    public:
        virtual ~Sink() = default;
        // `text` points into the framer's buffer and is valid during the
        // call; it is zero-terminated after `size` bytes for that long.
        virtual void OnRtspMessage(const char* text, size_t size) = 0;
        virtual void OnInterleavedFrame(uint8_t channel, const uint8_t* data, size_t size) = 0;
    };

    enum class Result {
        NeedMore,   // everything whole was delivered; receive into FreeSpace()
        BufferFull, // one message fills the buffer without ending: the stream is unusable
        TooLarge,   // a message announces more than the buffer holds: the stream is unusable
    };

    CRtspStreamFramer() = default;

    // Parses in `buffer` (kBufferSize + 4 bytes, kept alive by the caller)
    // instead of the framer's own, so that a receive still pending after the
    // framer is gone writes into memory its I/O context owns.
    void Attach(uint8_t* buffer)
    {
        m_data = buffer;
        m_fill = 0;
    }
    void Reset();
    uint8_t* FreeSpace() { return Data() + m_fill; }
    size_t FreeSize() const { return kBufferSize - m_fill; }
    size_t Buffered() const { return m_fill; }

    // Takes `bytes` newly received into FreeSpace() and delivers every whole
    // message and frame, in stream order.
    Result Commit(size_t bytes, Sink& sink);

    // Length of the text message starting at `text` once whole: the header up
    // to and including the blank line plus Content-Length. 0 while more is
    // needed; -1 when the length is negative or would not fit the buffer.
    static long MessageSize(const char* text, size_t available);

private:
    // The attached buffer, else the framer's own, made on first use: an
    // attached framer (every RTSP connection's) never needs its own 256 KiB.
    uint8_t* Data()
    {
        if (m_data == nullptr) {
            m_ownBuffer.assign(kBufferSize + 4, 0);
            m_data = m_ownBuffer.data();
        }
        return m_data;
    }

    std::vector<uint8_t> m_ownBuffer;
    uint8_t* m_data = nullptr;
    size_t m_fill = 0;
};
