#pragma once

#include "Pellmar.h"

#include <QWidget>

#include <atomic>
#include <mutex>

class RtspManager;

// Where one RTSP session's blocks go: the pane's player port. The RTSP
// library calls it on its own threads with the sink as user data; the sink
// outlives the session (the manager keeps it until the session's stop has
// returned), so a pane that goes away never leaves the library a dangling
// pointer.
//
// The first block of the session is its SDP, the player's session header;
// every later block goes in as data. Close() (GUI thread) ends the feeding
// and closes the stream on the port, so the next session of the pane opens
// a fresh one on the same port.
class RtspStreamSink
{
public:
    RtspStreamSink(long playerPort, WId window);

    RtspStreamSink(const RtspStreamSink&) = delete;
    RtspStreamSink& operator=(const RtspStreamSink&) = delete;

    // Set by the manager before the session starts.
    void Attach(RtspManager* manager, int session);
    int Session() const { return nSession; }

    // Library threads.
    void RealDataSlot(int dataType, const unsigned char* data, unsigned int length);
    // Reports the end of the stream to the manager once.
    void ReportEnd();

    // GUI thread: no block is fed after it returns.
    void Close();
    long PlayerPort() const { return lPlayerPort; }

private:
    bool OpenStream(const unsigned char* header, unsigned int length);
    void InputBlock(const unsigned char* data, unsigned int length);

    const long lPlayerPort;
    const WId nWindow;
    RtspManager* pManager = nullptr;
    int nSession = 0;

    // Held while a block goes in, so Close() never races a feed into a
    // stream it is closing. Uncontended except at the one Close().
    mutable std::mutex mutex;
    bool bClosed = false;
    bool bStreamOpen = false;
    bool bHeaderTaken = false;
    std::atomic<bool> bEndReported{false};
};

// The data callback given to the RTSP library; `user` is the RtspStreamSink.
int RealDataCallback(int mediaIndex, int dataType, STREAM_DATA_T* block, void* user);
