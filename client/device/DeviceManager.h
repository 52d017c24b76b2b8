#pragma once

#include "AlarmRound.h"
#include "ClipLedger.h"
#include "ClipScheduler.h"
#include "ClipTiming.h"
#include "RecordingRegistry.h"
#include "stu_LoginInfo.h"

#include "core/stu_DeviceChannelInfo.h"
#include "data/AlarmOrigin.h"

#include "tessoran.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QObject>
#include <QThreadPool>
#include <QVector>
#include <qwindowdefs.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class ShutdownSignal;

// The client's one link to the detection devices, over the device SDK: logins
// and their list, the devices' IP channels, the alarm listener whose alarms
// become the Alarm*Sig signals, live play into a window, continuous recording
// of cameras into five-minute files, and incident clip downloads on its own
// thread pool.
//
// Threads: logins, lookups and live-play starts come from worker and pool
// threads; one static mutex guards the singleton's creation, the login list,
// the channel list and every live-play start. The alarm signals are emitted on
// the SDK's listener thread with pointers to copies that live only during the
// emission, so receivers connect them through ConnectAlarms (always direct)
// and keep nothing; any other connection to them is logged as an error.
// DeviceStateSig comes from the SDK's event thread.
class DeviceManager : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;
    static constexpr quint16 kAlarmListenPort = 5650;

    static DeviceManager* GetInstance();
    // Stops what the manager runs (listeners it opened, clip jobs, recordings)
    // and deletes it; no callback reaches it afterwards. Stopping a listener
    // waits for the alarm being handled, so the calling thread must not be one
    // that an alarm receiver waits for (the GUI thread, when receivers hand
    // alarms over with blocking queued signals, must stop the listener first).
    static void DestroyInstance();

    ~DeviceManager() override;

    // The one way to receive the alarm signals: each handler runs directly on
    // the listener's thread, whatever thread `context` lives on, and reads the
    // records before it returns (they are gone afterwards). Handlers are
    // member functions of `context` or callables; the connections end with
    // `context`.
    template <class Context, class OnIncident, class OnTrafficParams, class OnViolation>
    static QList<QMetaObject::Connection> ConnectAlarms(Context* context, OnIncident onIncident,
                                                        OnTrafficParams onTrafficParams, OnViolation onViolation)
    {
        DeviceManager* devices = GetInstance();
        const AlarmConnecting connecting;
        return {connect(devices, &DeviceManager::AlarmAidSig, context, onIncident, Qt::DirectConnection),
                connect(devices, &DeviceManager::AlarmTpsSig, context, onTrafficParams, Qt::DirectConnection),
                connect(devices, &DeviceManager::AlarmTfsResultSig, context, onViolation, Qt::DirectConnection)};
    }
    // Connections made to the alarm signals other than through ConnectAlarms
    // since start: each was logged as an error.
    static int StrayAlarmConnections();

    // Registers the SDK's message and exception callbacks with this manager.
    void SetCallBack();
    // Opens the alarm listener on every local address; the handle (negative on
    // failure) goes to `handle` when given.
    // `address` is the local address to listen on; empty listens on every one,
    // since the devices must reach it.
    bool StartListen(long* handle, quint16 port = kAlarmListenPort, const QString& address = QString());

    // Synchronous login; the login ID (-1 on failure) goes to `lUserID`, and a
    // success is appended to the login list.
    bool DeviceLogin(const QString& ip, int port, const QString& userName, const QString& password, long* lUserID);
    // Removes the first login with that ID and logs it out; false (and no SDK
    // call) when the list has none.
    bool DeviceLogout(long lUserID);
    // Reads the device's enabled IP channels into `channels` and appends them
    // to the channel list.
    bool GetDeviceChannelInfo(long* lUserID, const QString& deviceIp, QList<stu_DeviceChannelInfo>* channels);
    bool GetLoginInfoByUserId(long lUserID, stu_LoginInfo* login);
    // The first login to that address and port; -1 when none.
    long GetUserIdByIpPort(const QString& ip, int port);
    bool GetUserIdByIpPortUser(const QString& ip, int port, const QString& userName, long* lUserID);
    QList<stu_LoginInfo> GetLoginList() const;
    // Every channel read since start, in order; a device read twice is listed twice.
    QList<stu_DeviceChannelInfo> GetChannelList() const;

    // Live play of a channel into a window; the handle (-1 on failure) goes to
    // `handle`. Starts are serialised with each other and with the login list.
    static bool StartRealPlay(long lUserID, WId window, int channel, int streamType, long* handle);
    static bool StopRealPlay(long handle);

    // ---- Continuous recording into five-minute files ----
    // Records the camera logged in as `lUserID` at address `ip` into
    // "<data path>/video/<ip>/yyyy/yyyyMM/yyyyMMdd/yyyyMMddHH/<slot>.mp4". A
    // camera that is recorded already (or being started) is not started again.
    bool ChannelPreview(long lUserID, const QString& ip);
    // Runs ChannelPreview for every login with an ID on Qt's global pool. The
    // starts count as pending from this call on, so StopRecording waits for them.
    void StartRecording(const QList<stu_LoginInfo>& logins);
    // Cancels starts that have not begun, waits for those under way, then stops
    // every recording. No block is written after it returns.
    void StopRecording();
    QVector<long> RecordingHandles() const;

    // The twelve five-minute slots of an hour as "mmsszzz-mmsszzz".
    static const QVector<QString>& TimeSlots();
    // The slot holding a time given as "mmsszzz".
    static void GetTimeSlotIndex(const QString& time, QString* slot, int* index);
    // The recording file of a camera for a block that arrives at `time`.
    static QString RecordingFilePath(const QString& dataPath, const QString& ip, const QDateTime& time);
    // Appends the buffer to the file (path in UTF-8), creating folders as needed.
    static bool SaveFile(const char* buffer, unsigned length, const char* path);
    // The SDK's data callback of recording plays; `user` is the manager.
    static void RecordDataCallBack(int32_t handle, uint32_t dataType, const uint8_t* buffer, uint32_t length,
                                   void* user);

    // ---- Incident clips ----
    // Queues a download of the clip [alarm time + startOffsetSecs, alarm time +
    // endOffsetSecs] of the device's channel into `file` (in an existing folder)
    // and returns at once. Nothing is queued for a device without a login, an
    // alarm time that is not "yyyyMMddHHmmss" or a path that climbs with "..".
    void DownloadVideo(const int& startOffsetSecs, const int& endOffsetSecs, const QString& deviceIp, const int& port,
                       const int& channel, const QString& alarmTime, const QString& file);
    // The clip of an incident. A request under way already is not queued
    // twice; one of a device without a login waits in the ledger for its login.
    void DownloadClip(const ClipRequest& request);
    // The ledger told how each clip job ended. Set it before devices log in:
    // every login and every device that comes back fetches its open requests.
    void SetClipLedger(const ClipLedger& ledger);
    // Queues the ledger's open requests of the device.
    void ResumeClips(const QString& deviceIp, int port);
    // Waits up to `msecs` for every queued and running clip job; true when none is left.
    bool WaitForClipJobs(int msecs);
    // Cuts the clip jobs' waits short, queues no more, and waits up to `msecs`
    // for those under way: before the SDK is cleaned up, which they use.
    bool StopClipJobs(int msecs);

    // For the alarm receivers, on the listener's thread during an alarm signal.
    // The origin of the alarm being handled (device, run, number): inserting
    // the alarm's rows with it lets the database recognise an alarm sent again.
    static AlarmOrigin CurrentAlarmOrigin();
    // Whether the receiver stored the alarm it was handed. Not stored (closing,
    // the database refused, the disk is full): the SDK keeps it unacknowledged
    // and the device sends it again. An alarm the receiver drops on purpose
    // (filtered, malformed) needs no report: it counts as handled.
    static void ReportAlarmStored(bool stored);
    // Takes the alarm to be stored with the rest of the SDK's round: its
    // pictures are written at once and synced with the round's, its rows
    // committed with the round's, and `stored` runs after that commit, before
    // the round is acknowledged. Called outside an alarm signal, the alarm is
    // stored at once. False (reported as not stored) when a picture or, outside
    // a round, the store failed.
    static bool HoldAlarm(AlarmRound::Alarm alarm);

    // Time source of the recording slots and the clip waits, and the clip jobs'
    // pacing. Set them before recordings or downloads start (tests do).
    void SetClock(Clock clock);
    void SetClipTiming(const ClipTiming& timing);

signals:
    void AlarmAidSig(const TSR_ALARMER* pAlarmer, const TSR_AID_ALARM* pStuAlarmAid);
    void AlarmTpsSig(const TSR_ALARMER* pAlarmer, const TSR_TPS_ALARM* pStuAlarmTps);
    void AlarmTfsResultSig(const TSR_ALARMER* pAlarmer, const TSR_TFS_ALARM* pStuTfsResult);
    // A logged-in device dropped (false) or came back (true).
    void DeviceStateSig(long lUserID, bool bState);
    // Alarms could not be stored (true), once when that starts, and are stored
    // again (false), once when that resumes. From the listener's thread.
    void AlarmStoreFailingSig(bool failing);

protected:
    // A queued or automatic receiver would get dangling pointers (or, as the
    // records are no registered types, nothing at all): such a connection is
    // reported here, where it is made, not when alarms go missing.
    void connectNotify(const QMetaMethod& signal) override;

private:
    // Marks the connections made on this thread meanwhile as ConnectAlarms's own.
    struct AlarmConnecting
    {
        AlarmConnecting();
        ~AlarmConnecting();
    };

    friend void ExceptionCallBack(uint32_t type, int32_t lUserID, int32_t handle, void* user);
    friend TSR_BOOL ListenMsgCallBack(int32_t command, const TSR_ALARMER* alarmer, const char* body, uint32_t length,
                                      void* user);
    friend TSR_BOOL AlarmRoundCallBack(uint32_t held, void* user);

    // Tells the operator once when storing alarms starts failing and once when
    // it works again.
    void NoteAlarmsStored(bool stored);

    DeviceManager();

    bool StartRecordingOf(long lUserID, const QString& ip, quint64 generation);
    void WriteRecordingBlock(int32_t handle, const uint8_t* buffer, uint32_t length);

    QList<stu_LoginInfo> loginList;
    QList<stu_DeviceChannelInfo> channelList;
    QVector<long> listenHandles;
    // The held alarms of the listener's rounds: held on its dispatch thread,
    // stored on its round thread. One listener of the manager stores rounds at a time.
    AlarmRound alarmRound;
    RecordingRegistry recordings;

    void ClipEnded(const QString& file, ClipOutcome outcome);

    Clock clock;
    ClipTiming clipTiming;
    ClipLedger clipLedger;
    std::mutex clipMutex; // clipLedger, clipsUnderWay
    QSet<QString> clipsUnderWay;
    std::shared_ptr<ShutdownSignal> clipShutdown;
    QThreadPool clipPool;
    // Stopped before the pool is waited for: its jobs start pool jobs.
    ClipScheduler clipWaits;

    static std::atomic<DeviceManager*> instance;
    static std::mutex linkMutex; // singleton, login list, channel list, live-play starts
    // Whether the last alarm store failed (listener threads).
    std::atomic<bool> alarmStoreFailing{false};
};

// Callbacks given to the SDK; `user` is the manager.
TSR_BOOL ListenMsgCallBack(int32_t command, const TSR_ALARMER* alarmer, const char* body, uint32_t length, void* user);
// Stores, or drops, the listener's round: the alarms held first.
TSR_BOOL AlarmRoundCallBack(uint32_t held, void* user);
TSR_BOOL MessageCallback(int32_t command, const TSR_ALARMER* alarmer, const char* body, uint32_t length, void* user);
void ExceptionCallBack(uint32_t type, int32_t lUserID, int32_t handle, void* user);
