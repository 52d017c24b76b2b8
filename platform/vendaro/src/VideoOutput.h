#pragma once

#include "FrameScaler.h"
#include "Vendaro.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

namespace vendaro {

class FrameSlot;

// Where a port's decoded pictures go: the counters and the last picture kept
// for the test hooks, and the widget the port plays into. present() runs on
// the port's decoding thread; the rest is safe from any thread.
class VideoOutput
{
public:
    VideoOutput();
    ~VideoOutput();

    bool attach(MAVRO_HWND window);
    void detach();

    void countDecoded(const AVFrame* frame);
    // Scales and hands the picture to the widget, when one is attached.
    void present(const AVFrame* frame);
    void resetCounters();

    unsigned int decodedFrames() const { return m_decoded.load(); }
    unsigned int shownFrames() const;
    bool lastFrameImage(unsigned char* buffer, unsigned int bufferSize, int* width, int* height);

private:
    std::shared_ptr<FrameSlot> currentSlot() const;

    std::atomic<unsigned int> m_decoded{0};
    std::atomic<unsigned int> m_shownBefore{0};

    mutable std::mutex m_mutex; // guards the slot and the last frame
    std::shared_ptr<FrameSlot> m_slot;
    AVFrame* m_lastFrame = nullptr;

    FrameScaler m_scaler; // decoding thread only
};

} // namespace vendaro
