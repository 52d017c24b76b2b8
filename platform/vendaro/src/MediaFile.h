#pragma once

#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

namespace vendaro {

// An opened container with its chosen video stream. Move-only.
class MediaFile
{
public:
    MediaFile() = default;
    ~MediaFile();
    MediaFile(MediaFile&& other) noexcept;
    MediaFile& operator=(MediaFile&& other) noexcept;

    // Picks the demuxer from the content alone: recordings are MPEG-TS under
    // a ".mp4" name, so the name must not decide. `interrupt` lets a reading
    // thread be stopped. On failure returns an empty object and sets `error`
    // to a MAVRO_ERR_* code.
    static MediaFile open(const std::string& path, bool readStreamInfo, const AVIOInterruptCB* interrupt,
                          unsigned int& error);

    bool isOpen() const { return m_context != nullptr; }
    AVFormatContext* context() const { return m_context; }
    int videoStreamIndex() const { return m_videoStream; }
    // -1 when the file has no sound we can decode.
    int audioStreamIndex() const { return m_audioStream; }
    AVStream* videoStream() const { return m_context->streams[m_videoStream]; }
    // Milliseconds, or -1 when the container does not tell.
    int64_t durationMs() const;
    // First timestamp of the video stream, in its time base.
    int64_t startPts() const;
    double framesPerSecond() const;

private:
    AVFormatContext* m_context = nullptr;
    int m_videoStream = -1;
    int m_audioStream = -1;
};

} // namespace vendaro
