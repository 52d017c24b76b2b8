#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
}

struct SwrContext;
typedef struct _snd_pcm snd_pcm_t;

namespace vendaro {

// Plays decoded sound on an ALSA device. Frames are converted to 16-bit
// interleaved samples on the caller's thread and written to the device by a
// thread of its own, so the player never waits for the sound card.
class SoundOutput
{
public:
    // The device is MAVRO_SOUND_DEVICE from the environment, else "default".
    // Null when the device cannot play this format.
    static std::unique_ptr<SoundOutput> open(int sampleRate, int channels);
    ~SoundOutput();

    void play(const AVFrame* frame);
    // Drops what is queued and what the device still holds (seek, pause).
    void discard();
    uint64_t playedFrames() const { return m_played.load(); }

private:
    SoundOutput(snd_pcm_t* device, int sampleRate, int channels);
    void run();

    snd_pcm_t* m_device;
    const int m_sampleRate;
    const int m_channels;
    SwrContext* m_converter = nullptr; // caller's thread

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::vector<int16_t>> m_queue;
    size_t m_queuedFrames = 0;
    bool m_stop = false;
    bool m_discard = false;
    std::atomic<uint64_t> m_played{0};
    std::thread m_writer;
};

} // namespace vendaro
