#include "MediaFile.h"

#include "Vendaro.h"

#include <algorithm>
#include <fstream>
#include <vector>

namespace vendaro {

namespace {

// Enough for the MPEG-TS probe to see many packets after a leading header.
constexpr size_t kProbeBytes = 1 << 20;
// The first look; each further one doubles it, as libav's own probe does.
constexpr size_t kFirstProbeBytes = 2048;
// Random bytes reach low scores with some formats; demand a real match.
constexpr int kMinimumProbeScore = AVPROBE_SCORE_MAX / 4;

// Every demuxer's probe scans the whole buffer it is given, so a recording
// is named after a few kilobytes when a demuxer is certain of it; content
// that leaves the demuxers in doubt is read further, up to kProbeBytes.
const AVInputFormat* probeContent(const std::string& path, unsigned int& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = MAVRO_ERR_OPEN_FILE;
        return nullptr;
    }
    std::vector<uint8_t> buffer;
    size_t read = 0;
    for (size_t size = kFirstProbeBytes;; size = std::min(size * 2, kProbeBytes)) {
        buffer.resize(size + AVPROBE_PADDING_SIZE, 0);
        file.read(reinterpret_cast<char*>(buffer.data() + read), std::streamsize(size - read));
        read += size_t(file.gcount());
        std::fill(buffer.begin() + std::ptrdiff_t(read), buffer.end(), 0);
        const bool last = read < size || size == kProbeBytes;
        AVProbeData probe{};
        probe.filename = "";
        probe.buf = buffer.data();
        probe.buf_size = int(read);
        int score = 0;
        const AVInputFormat* format = read > 0 ? av_probe_input_format3(&probe, 1, &score) : nullptr;
        // Short of the end only a certain match counts: a long leading header
        // lets another demuxer win a small look that more content overturns.
        if (format && score >= (last ? kMinimumProbeScore : AVPROBE_SCORE_MAX))
            return format;
        if (last)
            break;
    }
    error = MAVRO_ERR_UNKNOWN_FORMAT;
    return nullptr;
}

} // namespace

MediaFile::~MediaFile()
{
    avformat_close_input(&m_context);
}

MediaFile::MediaFile(MediaFile&& other) noexcept
    : m_context(other.m_context), m_videoStream(other.m_videoStream), m_audioStream(other.m_audioStream)
{
    other.m_context = nullptr;
}

MediaFile& MediaFile::operator=(MediaFile&& other) noexcept
{
    if (this != &other) {
        avformat_close_input(&m_context);
        m_context = other.m_context;
        m_videoStream = other.m_videoStream;
        m_audioStream = other.m_audioStream;
        other.m_context = nullptr;
    }
    return *this;
}

MediaFile MediaFile::open(const std::string& path, bool readStreamInfo, const AVIOInterruptCB* interrupt,
                          unsigned int& error)
{
    MediaFile file;
    const AVInputFormat* format = probeContent(path, error);
    if (!format)
        return file;
    file.m_context = avformat_alloc_context();
    if (!file.m_context) {
        error = MAVRO_ERR_RESOURCE;
        return file;
    }
    if (interrupt)
        file.m_context->interrupt_callback = *interrupt;
    if (avformat_open_input(&file.m_context, path.c_str(), format, nullptr) < 0) {
        error = MAVRO_ERR_UNKNOWN_FORMAT; // the context is freed by the failed open
        return MediaFile();
    }
    if (readStreamInfo && avformat_find_stream_info(file.m_context, nullptr) < 0) {
        error = MAVRO_ERR_UNKNOWN_FORMAT;
        return MediaFile();
    }
    const AVCodec* decoder = nullptr;
    file.m_videoStream = av_find_best_stream(file.m_context, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (file.m_videoStream < 0 || !decoder) {
        error = MAVRO_ERR_NO_VIDEO;
        return MediaFile();
    }
    const AVCodec* audioDecoder = nullptr;
    const int audio = av_find_best_stream(file.m_context, AVMEDIA_TYPE_AUDIO, -1, file.m_videoStream, &audioDecoder, 0);
    file.m_audioStream = audio >= 0 && audioDecoder ? audio : -1;
    return file;
}

int64_t MediaFile::durationMs() const
{
    const AVStream* stream = videoStream();
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        return av_rescale_q(stream->duration, stream->time_base, AVRational{1, 1000});
    if (m_context->duration != AV_NOPTS_VALUE && m_context->duration > 0)
        return av_rescale(m_context->duration, 1000, AV_TIME_BASE);
    return -1;
}

int64_t MediaFile::startPts() const
{
    const AVStream* stream = videoStream();
    return stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
}

double MediaFile::framesPerSecond() const
{
    const AVStream* stream = videoStream();
    const AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
    return rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 25.0;
}

} // namespace vendaro
