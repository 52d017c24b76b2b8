#pragma once
// One device's alarm connection, served on the listener's event loop. It opens
// with the listener's challenge; the device must prove itself within one frame
// deadline, with a hello of at most a kilobyte. Then alarm frames are read
// whole within the frame deadline each, their bytes reserved from the budget
// first and the buffer grown only with the bytes that arrived.

#include "AlarmHello.h"
#include "Frame.h"
#include "Listener.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace tessoran {

class AlarmConnection : public std::enable_shared_from_this<AlarmConnection>
{
public:
    AlarmConnection(Listener& listener, boost::asio::ip::tcp::socket socket, std::string peer);
    ~AlarmConnection();

    void start();
    // Reads on if it waited for queue room or budget and finds it now.
    void resume();
    void acknowledge(uint32_t number);
    // Ends the connection; `why` non-empty is logged.
    void close(const std::string& why);

    const std::string& peer() const { return peer_; }
    const std::string& device() const { return device_; }
    bool proven() const { return proven_; }

private:
    enum class Waiting { Nothing, QueueRoom, Budget, Outbox };

    void readHeader();
    void onHeaderBytes(const boost::system::error_code& error, size_t bytes);
    void onHeader();
    void readBody();
    void onBodyBytes(const boost::system::error_code& error, size_t bytes);
    void onFrame();
    void onHello();
    void onAlarm();
    void refuse(wire::WireError code, const std::string& why);
    void send(wire::Kind kind, uint32_t sequence, std::vector<uint8_t> body);
    void writeNext();
    void onAnswerSent();
    void armDeadline();
    void cutShort(const char* how);
    std::string progress() const;

    Listener& listener_;
    boost::asio::ip::tcp::socket socket_;
    boost::asio::steady_timer deadline_;
    const std::string peer_;
    bool closed_ = false;
    Waiting waiting_ = Waiting::Nothing;

    wire::Nonce nonce_{};
    bool proven_ = false;
    std::string device_; // "address:port" once proven
    wire::AlarmHello hello_;

    uint8_t headerBytes_[wire::kHeaderSize] = {};
    size_t headerHave_ = 0;
    wire::FrameHeader header_;
    std::vector<uint8_t> body_;
    size_t bodyHave_ = 0;
    size_t reserved_ = 0;

    std::deque<std::vector<uint8_t>> outbox_;
    bool writing_ = false;
    bool closeAfterWrite_ = false;
    uint64_t deadlineGeneration_ = 0; // a deadline that fires after its frame ended is stale
};

} // namespace tessoran
