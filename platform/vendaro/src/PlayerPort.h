#pragma once

#include "Vendaro.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace vendaro {

class FileSession;
class PortCallbacks;
class StreamSession;
class VideoOutput;

// One port: either a live stream or a file, the widget it plays into and its
// callbacks. Every operation returns 0 or a MAVRO_ERR_* code. Sessions are
// shut down outside the port's lock, because shutting down waits for a
// callback that may itself be calling into this port.
class PlayerPort
{
public:
    explicit PlayerPort(long number);
    ~PlayerPort();

    void shutdown();

    unsigned int setStreamOpenMode(unsigned int mode);
    unsigned int openStream(int protocolType, const MAVRO_SESSION_INFO* info, unsigned int bufferSize);
    unsigned int closeStream();
    unsigned int inputData(const unsigned char* data, unsigned int length);

    unsigned int openFile(const char* path);
    unsigned int closeFile();

    unsigned int play(MAVRO_HWND window);
    unsigned int stop();
    unsigned int pause(bool pause);
    unsigned int changeSpeed(int step);
    unsigned int stepForward();
    unsigned int stepBack();
    unsigned int seekMs(int64_t milliseconds);
    unsigned int seekPosition(float position);

    unsigned int playSound();
    unsigned int stopSound();
    unsigned int playedSoundFrames() const;

    float playPosition() const;
    unsigned int fileSeconds() const;
    int playedMs() const;
    unsigned int totalFrames() const;
    unsigned int currentFrame() const;

    PortCallbacks& callbacks() { return *m_callbacks; }
    VideoOutput& output() { return *m_output; }

    unsigned int lastError() const { return m_lastError.load(); }
    void setLastError(unsigned int error) { m_lastError = error; }

private:
    std::shared_ptr<FileSession> fileSession() const;
    std::shared_ptr<StreamSession> streamSession() const;
    template <typename Session>
    unsigned int endSession(std::shared_ptr<Session>& current);

    const std::shared_ptr<VideoOutput> m_output;
    const std::shared_ptr<PortCallbacks> m_callbacks;
    std::atomic<unsigned int> m_lastError{MAVRO_NOERROR};

    mutable std::mutex m_mutex; // guards the members below
    unsigned int m_streamMode = MAVRO_STREAM_REALTIME;
    std::shared_ptr<StreamSession> m_stream;
    std::shared_ptr<FileSession> m_file;
    bool m_playing = false;
};

} // namespace vendaro
