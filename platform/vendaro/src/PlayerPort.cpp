#include "PlayerPort.h"

#include "FileSession.h"
#include "PortCallbacks.h"
#include "StreamSession.h"
#include "VideoOutput.h"

#include <cmath>

namespace vendaro {

PlayerPort::PlayerPort(long number)
    : m_output(std::make_shared<VideoOutput>()), m_callbacks(std::make_shared<PortCallbacks>(number))
{
}

PlayerPort::~PlayerPort()
{
    shutdown();
}

void PlayerPort::shutdown()
{
    closeStream();
    closeFile();
    m_output->detach();
}

std::shared_ptr<FileSession> PlayerPort::fileSession() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_file;
}

std::shared_ptr<StreamSession> PlayerPort::streamSession() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stream;
}

// Takes the session out under the lock and shuts it down outside it.
template <typename Session>
unsigned int PlayerPort::endSession(std::shared_ptr<Session>& current)
{
    std::shared_ptr<Session> ended;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!current)
            return MAVRO_ERR_ORDER;
        ended.swap(current);
        m_playing = false;
    }
    ended->shutdown();
    m_output->detach();
    return MAVRO_NOERROR;
}

// ---- Stream mode ----

unsigned int PlayerPort::setStreamOpenMode(unsigned int mode)
{
    if (mode != MAVRO_STREAM_REALTIME && mode != MAVRO_STREAM_FILE)
        return MAVRO_ERR_PARAMETER;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stream)
        return MAVRO_ERR_ORDER;
    m_streamMode = mode;
    return MAVRO_NOERROR;
}

unsigned int PlayerPort::openStream(int /*protocolType*/, const MAVRO_SESSION_INFO* info, unsigned int bufferSize)
{
    if (!info || info->type != MAVRO_SESSION_HEADER || info->length <= 0 || !info->data)
        return MAVRO_ERR_PARAMETER;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stream || m_file)
        return MAVRO_ERR_ORDER;
    unsigned int error = MAVRO_NOERROR;
    m_stream =
        StreamSession::open(static_cast<const uint8_t*>(info->data), size_t(info->length), bufferSize, m_output, error);
    if (m_stream)
        m_output->resetCounters();
    return error;
}

unsigned int PlayerPort::closeStream()
{
    return endSession(m_stream);
}

unsigned int PlayerPort::inputData(const unsigned char* data, unsigned int length)
{
    if (!data || length == 0)
        return MAVRO_ERR_PARAMETER;
    const auto stream = streamSession();
    if (!stream)
        return MAVRO_ERR_ORDER;
    return stream->input(data, length) ? MAVRO_NOERROR : MAVRO_ERR_BUFFER_FULL;
}

// ---- File mode ----

unsigned int PlayerPort::openFile(const char* path)
{
    if (!path || !*path)
        return MAVRO_ERR_PARAMETER;
    if (streamSession())
        return MAVRO_ERR_ORDER;
    unsigned int error = MAVRO_NOERROR;
    auto opened = FileSession::open(path, m_output, m_callbacks, error);
    if (!opened)
        return error;
    std::shared_ptr<FileSession> previous;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        previous.swap(m_file);
        m_file = opened;
        m_playing = false;
    }
    if (previous) {
        previous->shutdown();
        m_output->detach();
    }
    m_output->resetCounters();
    return MAVRO_NOERROR;
}

unsigned int PlayerPort::closeFile()
{
    return endSession(m_file);
}

// ---- Playing ----

unsigned int PlayerPort::play(MAVRO_HWND window)
{
    const auto file = fileSession();
    const auto stream = streamSession();
    if (!file && !stream)
        return MAVRO_ERR_ORDER;
    if (!m_output->attach(window))
        return MAVRO_ERR_INVALID_WINDOW;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_playing = true;
    }
    if (stream)
        stream->setPresenting(true);
    return file ? file->play() : unsigned(MAVRO_NOERROR);
}

unsigned int PlayerPort::stop()
{
    const auto file = fileSession();
    const auto stream = streamSession();
    if (!file && !stream)
        return MAVRO_ERR_ORDER;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_playing = false;
    }
    if (stream)
        stream->setPresenting(false);
    if (file)
        file->stop();
    m_output->detach();
    return MAVRO_NOERROR;
}

unsigned int PlayerPort::pause(bool pause)
{
    const auto file = fileSession();
    const auto stream = streamSession();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_playing)
            return MAVRO_ERR_ORDER;
    }
    if (stream) {
        stream->setPresenting(!pause);
        return MAVRO_NOERROR;
    }
    return file ? file->pause(pause) : unsigned(MAVRO_ERR_ORDER);
}

unsigned int PlayerPort::changeSpeed(int step)
{
    const auto file = fileSession();
    return file ? file->changeSpeed(step) : unsigned(MAVRO_ERR_ORDER);
}

unsigned int PlayerPort::stepForward()
{
    const auto file = fileSession();
    return file ? file->stepForward() : unsigned(MAVRO_ERR_ORDER);
}

unsigned int PlayerPort::stepBack()
{
    const auto file = fileSession();
    return file ? file->stepBack() : unsigned(MAVRO_ERR_ORDER);
}

unsigned int PlayerPort::seekMs(int64_t milliseconds)
{
    const auto file = fileSession();
    return file ? file->seekMs(milliseconds) : unsigned(MAVRO_ERR_ORDER);
}

unsigned int PlayerPort::seekPosition(float position)
{
    if (!(position >= 0.0f && position <= 1.0f))
        return MAVRO_ERR_PARAMETER;
    const auto file = fileSession();
    if (!file)
        return MAVRO_ERR_ORDER;
    const int64_t duration = file->durationMs();
    if (duration < 0)
        return MAVRO_ERR_ORDER;
    return file->seekMs(std::llround(double(position) * double(duration)));
}

// Live streams bring their picture only: the RTP path keeps the video track
// alone, so sound is offered for files.
unsigned int PlayerPort::playSound()
{
    const auto file = fileSession();
    if (!file)
        return streamSession() ? unsigned(MAVRO_ERR_NO_SOUND) : unsigned(MAVRO_ERR_ORDER);
    return file->startSound();
}

unsigned int PlayerPort::stopSound()
{
    const auto file = fileSession();
    return file ? file->stopSound() : unsigned(MAVRO_ERR_ORDER);
}

unsigned int PlayerPort::playedSoundFrames() const
{
    const auto file = fileSession();
    return file ? unsigned(file->playedSoundFrames()) : 0;
}

// ---- Queries ----

float PlayerPort::playPosition() const
{
    const auto file = fileSession();
    if (!file || file->durationMs() <= 0 || file->playedMs() < 0)
        return 0.0f;
    return float(std::min(1.0, double(file->playedMs()) / double(file->durationMs())));
}

unsigned int PlayerPort::fileSeconds() const
{
    const auto file = fileSession();
    return file && file->durationMs() > 0 ? unsigned((file->durationMs() + 500) / 1000) : 0;
}

int PlayerPort::playedMs() const
{
    const auto file = fileSession();
    return file ? int(file->playedMs()) : -1;
}

unsigned int PlayerPort::totalFrames() const
{
    const auto file = fileSession();
    return file ? file->totalFrames() : 0;
}

unsigned int PlayerPort::currentFrame() const
{
    const auto file = fileSession();
    return file ? file->currentFrame() : 0;
}

} // namespace vendaro
