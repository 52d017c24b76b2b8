#pragma once
// One simulated device (or camera) on its own loopback address: logins by
// challenge and response, the IP-channel configuration, heartbeats, live video,
// downloads by time, and alarms pushed to a listener. The control calls change
// its behaviour at run time for tests and demos.

#include "AlarmFactory.h"
#include "AlarmPusher.h"
#include "DeviceSpec.h"
#include "ConnectionThreads.h"
#include "ListenerAttacks.h"
#include "FrameIo.h"
#include "LoginProof.h"
#include "Waker.h"

#include <QDateTime>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace devsim {

class VideoClip;
class PictureBank;

// Deliberately broken alarm frames, sent to the listener.
enum class Malformed {
    BadMagic,
    BadVersion,
    LengthOverCap,
    Truncated,
    WrongRecordSize,
    LaneCountNine,
    PictureLongerThanSent,
    UnterminatedText,
    NonIpv4Text,
};

class SimDevice
{
public:
    SimDevice(DeviceSpec spec, const VideoClip& clip, const PictureBank& pictures, QDateTime recordingSince);
    ~SimDevice();
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    bool start(std::string& error);
    void stop();
    const DeviceSpec& spec() const { return spec_; }

    // ---- control ----
    void fireAlarms(AlarmKind kind, int count = 1);
    void setAlarmRate(double perSecond);
    void sendMalformed(Malformed kind);
    // Dropped: every connection is cut and the port refuses new ones; alarms wait.
    // Both return once the port is closed, or listens again (restore gives up
    // waiting after 10 s when the port cannot be bound; it keeps trying).
    void drop();
    void restore();
    bool isDropped() const { return dropped_; }
    void refuseLogins(bool refuse) { refuseLogins_ = refuse; }
    // Stalled: the device accepts connections but answers nothing and sends no video.
    void stall(bool stalled) { stalled_ = stalled; }
    // Limits download speed; 0 sends as fast as the connection takes it.
    void setDownloadRate(size_t bytesPerSecond) { downloadRate_ = bytesPerSecond; }
    // Called on the pusher thread with every alarm body when it is made and
    // queued, before it is sent (once, however often it is sent again).
    void setAlarmSentHook(std::function<void(const std::vector<uint8_t>&)> hook);
    // Live-video streams being sent right now.
    int liveStreams() const { return liveStreams_; }
    // Logins that are open right now (accepted and not yet logged out or cut).
    size_t openSessions() const;
    size_t alarmsSent() const { return pusher_.made(); }
    size_t alarmsUnacknowledged() const { return pusher_.unacknowledged(); }
    size_t alarmsResent() const { return pusher_.resent(); }
    // Impostor: the device does not know its password, so it cannot prove itself
    // to a client's login or to the alarm listener.
    void impersonate(bool impostor) { impostor_ = impostor; }
    bool isImpostor() const { return impostor_; }
    // An alarm on the device's proven connection whose sender names another device.
    void sendForged(const std::string& otherAddress);
    // One alarm under a number of the caller's choice, outside the device's own
    // numbering (it is not kept for sending again).
    void sendNumbered(uint32_t number, AlarmKind kind);
    // Attacks on the listener this device sends its alarms to.
    ListenerAttacks& attacks() { return attacks_; }
    // The body of an alarm as this device would make it.
    std::vector<uint8_t> makeAlarm(AlarmKind kind);

private:
    using Connection = tessoran::wire::ConnectionThreads::Connection;
    void acceptLoop();
    void applyDropped();
    void setListening(bool listening);
    void awaitListening(bool listening);
    void serve(Connection& connection);
    void serveLogin(Connection& connection, const tessoran::wire::Frame& hello);
    void servePlay(Connection& connection, const tessoran::wire::Frame& open);
    void serveDownload(Connection& connection, const tessoran::wire::Frame& open);
    bool checkToken(const uint8_t* data, size_t size);
    bool hasChannel(uint32_t channel) const;
    bool reply(Connection& connection, tessoran::wire::Kind kind, uint32_t sequence, const std::vector<uint8_t>& body);
    bool replyError(Connection& connection, tessoran::wire::WireError code, const char* text, uint32_t sequence = 0);
    void drainUntilClosed(Connection& connection);
    void cutConnections();

    std::string provenPassword() const;
    std::vector<uint8_t> malformedFrame(Malformed kind, bool& closeAfter);

    TSR_IPPARACFG ipChannelConfig() const;
    TSR_DEVICEINFO deviceInfo() const;
    std::vector<int> stopFds() const { return {stopWaker_.fd()}; }

    const DeviceSpec spec_;
    const VideoClip& clip_;
    const QDateTime recordingSince_;
    AlarmFactory factory_;
    std::mutex factoryMutex_;

    tessoran::wire::Waker stopWaker_;
    tessoran::wire::Waker stateWaker_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> dropped_{false};
    std::atomic<bool> refuseLogins_{false};
    std::atomic<bool> stalled_{false};
    std::atomic<int> liveStreams_{0};
    std::atomic<size_t> downloadRate_{0};
    tessoran::wire::Socket server_; // accept thread only, once started
    std::thread acceptThread_;
    std::mutex listeningMutex_;
    std::condition_variable listeningChanged_;
    bool listening_ = false;

    tessoran::wire::ConnectionThreads connections_;
    mutable std::mutex tokensMutex_;
    std::set<tessoran::wire::Token> tokens_;

    std::atomic<bool> impostor_{false};
    AlarmPusher pusher_;
    ListenerAttacks attacks_;
};

} // namespace devsim
