#include "RtspStreamSink.h"

#include "RtspManager.h"

#include "core/Logging.h"

#include "Vendaro.h"

#include <chrono>
#include <thread>

namespace {

std::shared_ptr<spdlog::logger> Log()
{
    return LoggerFor("KvorPlayWindow");
}

constexpr const char* kDataMethod = "KvorPlayWindow::RealDataSlot";
// The player's input buffer for one live stream.
constexpr unsigned int kStreamBufferSize = 6291456;
constexpr int kInputAttempts = 5;

} // namespace

int RealDataCallback(int /*mediaIndex*/, int dataType, STREAM_DATA_T* block, void* user)
{
    if (!user || !block)
        return -1;
    static_cast<RtspStreamSink*>(user)->RealDataSlot(dataType, block->pData, block->uiDataLen);
    return 0;
}

RtspStreamSink::RtspStreamSink(long playerPort, WId window) : lPlayerPort(playerPort), nWindow(window)
{
}

void RtspStreamSink::Attach(RtspManager* manager, int session)
{
    pManager = manager;
    nSession = session;
}

void RtspStreamSink::RealDataSlot(int dataType, const unsigned char* data, unsigned int length)
{
    if (dataType == PELLMAR_DATA_END_OF_STREAM) {
        // The server said goodbye (RTCP BYE): the stream will not go on.
        ReportEnd();
        return;
    }
    if (!data || length == 0)
        return;
    std::lock_guard<std::mutex> lock(mutex);
    if (bClosed || lPlayerPort < 0)
        return;
    if (!bHeaderTaken) {
        // The session's first block is its SDP: the header the player
        // opens the stream with, not data.
        bHeaderTaken = true;
        bStreamOpen = OpenStream(data, length);
        return;
    }
    if (bStreamOpen)
        InputBlock(data, length);
}

bool RtspStreamSink::OpenStream(const unsigned char* header, unsigned int length)
{
    if (!Mavro_SetStreamOpenMode(lPlayerPort, MAVRO_STREAM_REALTIME)) {
        Log()->error("{}, Mavro_SetStreamOpenMode failed", kDataMethod);
        return false;
    }
    const MAVRO_SESSION_INFO info{MAVRO_SESSION_HEADER, static_cast<int32_t>(length), header};
    if (!Mavro_OpenStreamAdvanced(lPlayerPort, 1, &info, kStreamBufferSize)) {
        Log()->error("{}, Mavro_OpenStreamAdvanced failed", kDataMethod);
        return false;
    }
    if (!Mavro_Play(lPlayerPort, nWindow))
        Log()->error("{}, Mavro_Play failed", kDataMethod);
    // Blocks go in even when drawing failed: the stream is open.
    return true;
}

void RtspStreamSink::InputBlock(const unsigned char* data, unsigned int length)
{
    for (int attempt = 1; attempt <= kInputAttempts; ++attempt) {
        if (Mavro_InputData(lPlayerPort, data, length))
            return;
        if (attempt < kInputAttempts)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    // A full buffer drops the block rather than holding up the receiver.
    Log()->error("{}, Mavro_InputData errCode:{}", kDataMethod, Mavro_GetLastError(lPlayerPort));
}

void RtspStreamSink::ReportEnd()
{
    if (bEndReported.exchange(true) || !pManager)
        return;
    pManager->ReportStreamEnd(nSession);
}

void RtspStreamSink::Close()
{
    std::lock_guard<std::mutex> lock(mutex);
    bClosed = true;
    if (bStreamOpen) {
        Mavro_CloseStream(lPlayerPort);
        bStreamOpen = false;
    }
}
