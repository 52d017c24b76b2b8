#pragma once

#include "FileIndex.h"
#include "MediaFile.h"
#include "MediaDecoder.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace vendaro {

class PortCallbacks;
class SoundOutput;
class VideoOutput;

// Plays one file on a port. The player thread reads, decodes, paces and
// presents; the index thread reads the file once more to list every frame.
// Commands only record what is wanted and wake the player thread, so they
// never wait for decoding; a newer seek or step replaces an older one.
class FileSession : public std::enable_shared_from_this<FileSession>
{
public:
    static constexpr int kSpeedLimit = 4; // 2^4: from 1/16 to 16 times

    // Opens and probes the file on the calling thread, so its length is known
    // when this returns; null with a MAVRO_ERR_* code on failure.
    static std::shared_ptr<FileSession> open(const std::string& path, std::shared_ptr<VideoOutput> output,
                                             std::shared_ptr<PortCallbacks> callbacks, unsigned int& error);
    ~FileSession();

    // Stops both threads; afterwards no callback runs. May be called from a
    // callback on one of the session's own threads.
    void shutdown();

    // Each returns 0 or a MAVRO_ERR_* code.
    unsigned int play();
    unsigned int stop();
    unsigned int pause(bool pause);
    unsigned int changeSpeed(int step);
    unsigned int stepForward();
    unsigned int stepBack();
    unsigned int seekMs(int64_t milliseconds);

    // Sound of the file's first audio track on the sound device.
    unsigned int startSound();
    unsigned int stopSound();
    uint64_t playedSoundFrames() const;

    int64_t durationMs() const { return m_durationMs.load(); }
    int64_t playedMs() const { return m_playedMs.load(); }
    unsigned int totalFrames() const;
    unsigned int currentFrame() const;

private:
    enum class State { Stopped, Playing, Paused };
    using Clock = std::chrono::steady_clock;

    FileSession(MediaFile file, std::shared_ptr<VideoOutput> output, std::shared_ptr<PortCallbacks> callbacks,
                std::string path);
    void start();
    void runPlayer();
    void runIndexer();
    std::shared_ptr<const FileIndex> index() const;
    unsigned int requestFrame(int delta);
    bool wakeReason() const;

    // Player thread.
    bool nextFrame(AVFrame* frame);
    void seekToPts(int64_t pts, std::optional<size_t> frameHint);
    void seekToKeyFrameBefore(int64_t pts);
    void showFrame(const AVFrame* frame, bool draw);
    bool newerRequestPending() const;
    int64_t framePts(const AVFrame* frame);
    // False when a command came first; `late` tells that the picture's time
    // has long passed.
    bool waitUntilDue(const AVFrame* frame, bool& late);
    Clock::time_point dueTime(int64_t pts) const;
    void playOneFrame();
    void reachEnd();
    void playSound(const AVPacket* packet);
    void discardSound();
    int64_t toMs(int64_t pts) const;
    int64_t toPts(int64_t ms) const;

    const std::string m_path;
    MediaFile m_file; // player thread once started
    const std::shared_ptr<VideoOutput> m_output;
    const std::shared_ptr<PortCallbacks> m_callbacks;
    const int64_t m_startPts;
    const AVRational m_timeBase;
    std::atomic<int64_t> m_durationMs;
    const double m_framesPerSecond;

    std::atomic<bool> m_stop{false};
    std::atomic<int64_t> m_playedMs{-1};
    std::atomic<long> m_currentFrame{-1};

    mutable std::mutex m_mutex; // guards the command state below and m_index
    std::condition_variable m_wake;
    State m_state = State::Stopped;
    int m_speedLevel = 0;
    bool m_ended = false;
    bool m_rewind = false; // play from the start at the next play()
    bool m_resetClock = true;
    std::optional<int64_t> m_seekMs;     // newest seek wins
    std::optional<long> m_frameRequest;  // newest step wins
    std::optional<long> m_frameInFlight; // taken by the player thread, not shown yet
    std::shared_ptr<const FileIndex> m_index;
    std::shared_ptr<SoundOutput> m_sound;
    uint64_t m_soundPlayedBefore = 0;

    // Player thread state.
    MediaDecoder m_decoder;
    MediaDecoder m_audioDecoder;
    AVPacket* m_packet = nullptr;
    std::deque<AVFrame*> m_decoded;
    AVFrame* m_heldFrame = nullptr; // decoded, waiting for its time
    bool m_draining = false;
    bool m_waitForKey = true;
    Clock::time_point m_clockStart;
    int64_t m_lastPts = AV_NOPTS_VALUE;
    int64_t m_clockPts = 0;

    std::thread m_playerThread;
    std::thread m_indexThread;
};

} // namespace vendaro
