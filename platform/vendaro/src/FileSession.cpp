#include "FileSession.h"

#include "PortCallbacks.h"
#include "SoundOutput.h"
#include "Vendaro.h"
#include "VideoOutput.h"

#include <cmath>

namespace vendaro {

namespace {

int interruptWhenStopping(void* flag)
{
    return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0;
}

// A picture later than this is decoded but not drawn, so a slow machine or a
// high speed catches up instead of drifting behind.
constexpr std::chrono::milliseconds kLateLimit{200};
// A timestamp jump beyond this restarts the clock instead of waiting it out.
constexpr std::chrono::seconds kMaxWait{5};

void freeFrames(std::deque<AVFrame*>& frames)
{
    for (AVFrame* frame : frames)
        av_frame_free(&frame);
    frames.clear();
}

} // namespace

std::shared_ptr<FileSession> FileSession::open(const std::string& path, std::shared_ptr<VideoOutput> output,
                                               std::shared_ptr<PortCallbacks> callbacks, unsigned int& error)
{
    MediaFile file = MediaFile::open(path, true, nullptr, error);
    if (!file.isOpen())
        return nullptr;
    std::shared_ptr<FileSession> session(
        new FileSession(std::move(file), std::move(output), std::move(callbacks), path));
    const AVStream* stream = session->m_file.videoStream();
    session->m_packet = av_packet_alloc();
    if (!session->m_packet || !session->m_decoder.open(stream->codecpar->codec_id, stream->codecpar, false)) {
        error = MAVRO_ERR_NO_VIDEO;
        return nullptr;
    }
    try {
        session->start();
    } catch (const std::system_error&) {
        session->shutdown();
        error = MAVRO_ERR_RESOURCE;
        return nullptr;
    }
    return session;
}

FileSession::FileSession(MediaFile file, std::shared_ptr<VideoOutput> output, std::shared_ptr<PortCallbacks> callbacks,
                         std::string path)
    : m_path(std::move(path)), m_file(std::move(file)), m_output(std::move(output)), m_callbacks(std::move(callbacks)),
      m_startPts(m_file.startPts()), m_timeBase(m_file.videoStream()->time_base), m_durationMs(m_file.durationMs()),
      m_framesPerSecond(m_file.framesPerSecond())
{
    m_file.context()->interrupt_callback = AVIOInterruptCB{interruptWhenStopping, &m_stop};
}

FileSession::~FileSession()
{
    shutdown();
    if (m_heldFrame)
        av_frame_free(&m_heldFrame);
    freeFrames(m_decoded);
    av_packet_free(&m_packet);
}

void FileSession::start()
{
    auto self = shared_from_this();
    m_playerThread = std::thread([self] { self->runPlayer(); });
    m_indexThread = std::thread([self] { self->runIndexer(); });
}

void FileSession::shutdown()
{
    m_stop = true;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
    }
    m_wake.notify_all();
    for (std::thread* thread : {&m_playerThread, &m_indexThread}) {
        if (!thread->joinable())
            continue;
        if (thread->get_id() == std::this_thread::get_id())
            thread->detach(); // called from our own callback: it returns and the thread ends
        else
            thread->join();
    }
}

// ---- Commands ----

unsigned int FileSession::play()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_rewind || m_ended) {
            m_seekMs = 0;
            m_frameRequest.reset();
            m_rewind = false;
            m_ended = false;
        }
        m_state = State::Playing;
        m_resetClock = true;
    }
    m_wake.notify_all();
    return MAVRO_NOERROR;
}

unsigned int FileSession::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state = State::Stopped;
        m_rewind = true;
        m_seekMs.reset();
        m_frameRequest.reset();
    }
    m_wake.notify_all();
    return MAVRO_NOERROR;
}

unsigned int FileSession::pause(bool pause)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state == State::Stopped)
            return MAVRO_ERR_ORDER;
        m_state = pause ? State::Paused : State::Playing;
        m_resetClock = true;
        if (pause && m_sound)
            m_sound->discard();
    }
    m_wake.notify_all();
    return MAVRO_NOERROR;
}

unsigned int FileSession::changeSpeed(int step)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (std::abs(m_speedLevel + step) > kSpeedLimit)
            return MAVRO_ERR_LIMIT;
        m_speedLevel += step;
        m_resetClock = true;
    }
    m_wake.notify_all();
    return MAVRO_NOERROR;
}

unsigned int FileSession::stepForward()
{
    return requestFrame(+1);
}

unsigned int FileSession::stepBack()
{
    return requestFrame(-1);
}

unsigned int FileSession::requestFrame(int delta)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_index)
            return MAVRO_ERR_INDEX_NOT_READY;
        // Steps count from the newest frame asked for, shown or not, so quick
        // steps never repeat a frame.
        const long base = m_frameRequest ? *m_frameRequest : m_frameInFlight ? *m_frameInFlight : m_currentFrame.load();
        const long target = base < 0 && delta > 0 ? 0 : base + delta;
        if (target < 0 || size_t(target) >= m_index->size())
            return MAVRO_ERR_LIMIT;
        m_frameRequest = target;
        m_seekMs.reset();
        m_state = State::Paused;
        m_rewind = false;
    }
    m_wake.notify_all();
    return MAVRO_NOERROR;
}

unsigned int FileSession::seekMs(int64_t milliseconds)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const int64_t duration = m_durationMs.load();
        m_seekMs = duration >= 0 ? std::min(milliseconds, duration) : milliseconds;
        m_frameRequest.reset();
        m_ended = false;
        m_rewind = false;
    }
    m_wake.notify_all();
    return MAVRO_NOERROR;
}

unsigned int FileSession::totalFrames() const
{
    if (auto ready = index())
        return unsigned(ready->size());
    const int64_t duration = m_durationMs.load();
    return duration > 0 ? unsigned(std::lround(duration * m_framesPerSecond / 1000.0)) : 0;
}

unsigned int FileSession::currentFrame() const
{
    return unsigned(std::max(0L, m_currentFrame.load()));
}

std::shared_ptr<const FileIndex> FileSession::index() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_index;
}

// ---- Index thread ----

void FileSession::runIndexer()
{
    unsigned int error = 0;
    const AVIOInterruptCB interrupt{interruptWhenStopping, &m_stop};
    MediaFile file = MediaFile::open(m_path, false, &interrupt, error);
    if (!file.isOpen())
        return;
    auto built = std::make_shared<FileIndex>();
    if (!built->build(file, m_stop) || built->size() == 0)
        return;
    if (m_durationMs.load() < 0) {
        const int64_t span = built->at(built->size() - 1).pts - built->at(0).pts;
        m_durationMs = toMs(m_startPts + span) + int64_t(1000.0 / m_framesPerSecond);
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_index = built;
    }
    if (!m_stop)
        m_callbacks->notify(PortCallbacks::FileIndexed);
}

// ---- Player thread ----

void FileSession::runPlayer()
{
    while (!m_stop) {
        std::optional<long> frameRequest;
        std::optional<int64_t> seek;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || wakeReason(); });
            if (m_stop)
                break;
            frameRequest.swap(m_frameRequest);
            m_frameInFlight = frameRequest;
            seek.swap(m_seekMs);
        }
        if (frameRequest) {
            const auto ready = index();
            seekToPts(ready->at(size_t(*frameRequest)).pts, size_t(*frameRequest));
            std::lock_guard<std::mutex> lock(m_mutex);
            m_frameInFlight.reset();
        } else if (seek) {
            seekToPts(toPts(*seek), std::nullopt);
        } else {
            playOneFrame();
        }
    }
}

bool FileSession::wakeReason() const
{
    return m_frameRequest || m_seekMs || (m_state == State::Playing && !m_ended);
}

bool FileSession::newerRequestPending() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stop || m_frameRequest || m_seekMs;
}

bool FileSession::nextFrame(AVFrame* frame)
{
    const auto collect = [this](const AVFrame* decoded) {
        m_output->countDecoded(decoded);
        if (AVFrame* copy = av_frame_clone(decoded))
            m_decoded.push_back(copy);
    };
    while (m_decoded.empty()) {
        if (m_draining || m_stop)
            return false;
        if (av_read_frame(m_file.context(), m_packet) < 0) {
            m_draining = true;
            m_decoder.decode(nullptr, collect);
            continue;
        }
        if (m_packet->stream_index == m_file.audioStreamIndex())
            playSound(m_packet);
        const bool wanted = m_packet->stream_index == m_file.videoStreamIndex() &&
                            (!m_waitForKey || (m_packet->flags & AV_PKT_FLAG_KEY));
        if (wanted) {
            m_waitForKey = false;
            m_decoder.decode(m_packet, collect);
        }
        av_packet_unref(m_packet);
    }
    av_frame_unref(frame);
    av_frame_move_ref(frame, m_decoded.front());
    av_frame_free(&m_decoded.front());
    m_decoded.pop_front();
    frame->pts = framePts(frame); // from here on, every picture has a timestamp
    return true;
}

int64_t FileSession::framePts(const AVFrame* frame)
{
    int64_t pts = frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : frame->pts;
    if (pts == AV_NOPTS_VALUE) {
        const int64_t step = toPts(int64_t(1000.0 / m_framesPerSecond)) - toPts(0);
        pts = m_lastPts != AV_NOPTS_VALUE ? m_lastPts + std::max<int64_t>(step, 1) : m_startPts;
    }
    m_lastPts = pts;
    return pts;
}

void FileSession::seekToPts(int64_t target, std::optional<size_t> frameHint)
{
    const bool nextInLine = frameHint && long(*frameHint) == m_currentFrame.load() + 1;
    if (!nextInLine) {
        if (m_heldFrame)
            av_frame_free(&m_heldFrame);
        freeFrames(m_decoded);
        const auto ready = index();
        int64_t position = -1;
        if (ready && ready->size())
            position = ready->at(ready->keyFrameBefore(ready->frameAt(target))).position;
        if (position < 0 || av_seek_frame(m_file.context(), -1, position, AVSEEK_FLAG_BYTE) < 0)
            seekToKeyFrameBefore(target);
        m_decoder.flush();
        discardSound();
        m_draining = false;
        m_waitForKey = true;
        m_lastPts = AV_NOPTS_VALUE;
    }

    // Show the last picture that starts at or before the target.
    AVFrame* shown = av_frame_alloc();
    AVFrame* candidate = av_frame_alloc();
    bool haveShown = false;
    if (m_heldFrame) {
        av_frame_move_ref(candidate, m_heldFrame);
        av_frame_free(&m_heldFrame);
    }
    while (candidate->width > 0 || nextFrame(candidate)) {
        if (candidate->pts > target && haveShown) {
            m_heldFrame = candidate; // the next picture, for play or the next step
            candidate = nullptr;
            break;
        }
        av_frame_unref(shown);
        av_frame_move_ref(shown, candidate);
        haveShown = true;
        if (shown->pts >= target || newerRequestPending())
            break;
    }
    if (haveShown)
        showFrame(shown, true);
    av_frame_free(&shown);
    av_frame_free(&candidate);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_resetClock = true;
        m_ended = false;
    }
}

// Without the index, a timestamp seek may land after the key frame the target
// needs; step further back until the first key frame found is early enough.
void FileSession::seekToKeyFrameBefore(int64_t target)
{
    AVFormatContext* context = m_file.context();
    const int stream = m_file.videoStreamIndex();
    const int64_t oneSecond = av_rescale_q(1, AVRational{1, 1}, m_timeBase);
    for (int64_t back = 0;; back = back ? back * 2 : oneSecond) {
        const int64_t from = std::max(m_startPts, target - back);
        if (av_seek_frame(context, stream, from, AVSEEK_FLAG_BACKWARD) < 0)
            return;
        int64_t keyPts = AV_NOPTS_VALUE;
        while (keyPts == AV_NOPTS_VALUE && !m_stop && av_read_frame(context, m_packet) >= 0) {
            if (m_packet->stream_index == stream && (m_packet->flags & AV_PKT_FLAG_KEY))
                keyPts = m_packet->pts != AV_NOPTS_VALUE ? m_packet->pts : m_packet->dts;
            av_packet_unref(m_packet);
        }
        if (keyPts == AV_NOPTS_VALUE || keyPts <= target || from == m_startPts || m_stop) {
            av_seek_frame(context, stream, from, AVSEEK_FLAG_BACKWARD);
            return;
        }
    }
}

void FileSession::playOneFrame()
{
    AVFrame* frame = m_heldFrame;
    m_heldFrame = nullptr;
    if (!frame) {
        frame = av_frame_alloc();
        if (!frame || !nextFrame(frame)) {
            av_frame_free(&frame);
            reachEnd();
            return;
        }
    }
    bool late = false;
    if (!waitUntilDue(frame, late)) {
        m_heldFrame = frame; // a command came first; keep the picture for later
        return;
    }
    showFrame(frame, !late);
    av_frame_free(&frame);
}

// Called with the lock held.
FileSession::Clock::time_point FileSession::dueTime(int64_t pts) const
{
    const double speed = std::ldexp(1.0, m_speedLevel);
    const double seconds = av_q2d(m_timeBase) * double(pts - m_clockPts) / speed;
    return m_clockStart + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

bool FileSession::waitUntilDue(const AVFrame* frame, bool& late)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto now = Clock::now();
    if (m_resetClock || frame->pts < m_clockPts || dueTime(frame->pts) - now > kMaxWait) {
        m_clockStart = now;
        m_clockPts = frame->pts;
        m_resetClock = false;
    }
    const auto due = dueTime(frame->pts);
    late = now - due > kLateLimit;
    return !m_wake.wait_until(lock, due,
                              [this] { return m_stop || m_frameRequest || m_seekMs || m_state != State::Playing; });
}

void FileSession::showFrame(const AVFrame* frame, bool draw)
{
    if (draw)
        m_output->present(frame);
    m_playedMs = std::max<int64_t>(0, toMs(frame->pts));
    if (const auto ready = index())
        m_currentFrame = long(ready->frameAt(frame->pts));
    else
        m_currentFrame = long(std::lround(double(m_playedMs.load()) * m_framesPerSecond / 1000.0));
}

unsigned int FileSession::startSound()
{
    const int stream = m_file.audioStreamIndex();
    if (stream < 0)
        return MAVRO_ERR_NO_SOUND;
    const AVCodecParameters* parameters = m_file.context()->streams[stream]->codecpar;
    std::shared_ptr<SoundOutput> sound = SoundOutput::open(parameters->sample_rate, parameters->ch_layout.nb_channels);
    if (!sound)
        return MAVRO_ERR_NO_SOUND;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_sound)
        m_soundPlayedBefore += m_sound->playedFrames();
    m_sound = std::move(sound);
    return MAVRO_NOERROR;
}

unsigned int FileSession::stopSound()
{
    std::shared_ptr<SoundOutput> sound;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_sound)
            return MAVRO_ERR_ORDER;
        m_soundPlayedBefore += m_sound->playedFrames();
        sound.swap(m_sound);
    }
    return MAVRO_NOERROR; // the device closes with the last reference, outside the lock
}

uint64_t FileSession::playedSoundFrames() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_soundPlayedBefore + (m_sound ? m_sound->playedFrames() : 0);
}

// Sound goes with normal-speed play only; stepping, seeking and other speeds
// are silent, as the picture no longer follows real time.
void FileSession::playSound(const AVPacket* packet)
{
    std::shared_ptr<SoundOutput> sound;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state != State::Playing || m_speedLevel != 0 || m_frameRequest || m_seekMs)
            return;
        sound = m_sound;
    }
    if (!sound)
        return;
    if (!m_audioDecoder.isOpen()) {
        const AVCodecParameters* parameters = m_file.context()->streams[packet->stream_index]->codecpar;
        if (!m_audioDecoder.open(parameters->codec_id, parameters, false))
            return;
    }
    m_audioDecoder.decode(packet, [&sound](const AVFrame* frame) { sound->play(frame); });
}

void FileSession::discardSound()
{
    m_audioDecoder.flush();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_sound)
        m_sound->discard();
}

void FileSession::reachEnd()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_ended)
            return;
        m_ended = true;
    }
    if (!m_stop)
        m_callbacks->notify(PortCallbacks::FileEnded);
}

int64_t FileSession::toMs(int64_t pts) const
{
    return av_rescale_q(pts - m_startPts, m_timeBase, AVRational{1, 1000});
}

int64_t FileSession::toPts(int64_t ms) const
{
    return m_startPts + av_rescale_q(ms, AVRational{1, 1000}, m_timeBase);
}

} // namespace vendaro
