#pragma once

#include "Pellmar.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QThreadPool>

#include <memory>
#include <string>

class RtspStreamSink;

// The client's one user of the RTSP library: initialises it once (with the
// local port ranges of the settings), opens one library session per RTSP play
// of a pane, keeps the handles of the playing sessions and closes them on
// request and at its own destruction.
//
// Threads: created on first use from any thread; everything else runs on the
// GUI thread. The library's calls that wait on the network (start, stop) run
// on the manager's own workers, so a silent server never holds up the window;
// their results come back as queued calls. A start that is stopped while it
// waits is interrupted, which ends it within milliseconds.
class RtspManager : public QObject
{
    Q_OBJECT

public:
    // Null once DestroyInstance has run: the library is not started again
    // for a pane that stops late.
    static RtspManager* instance();
    static void DestroyInstance();

    // Creates a session for `sink` and starts its stream on a worker. The
    // session (0 when none could be made) is returned at once; the start's
    // result follows as StartFinishedSig, 0 meaning playing.
    int StartPlay(const std::string& url, const std::string& user, const std::string& password,
                  const std::shared_ptr<RtspStreamSink>& sink);
    // Stops and destroys one session, also one still starting.
    void StopPlay(int session);

    // The playing sessions, in the order they started.
    QList<int> Sessions() const { return qlistSession; }
    int StartingSessions() const { return hashStarting.size(); }
    // Starts and stops still running on the workers.
    int BusyWorkers() const { return pool.activeThreadCount(); }
    const PORT_POOL_T& PortPool() const { return portPool; }
    // The transport of the next start, from the settings.
    static int Transport();

    // Library threads: the stream of `session` ended (connection lost,
    // keep-alives unanswered, the server's goodbye).
    void ReportStreamEnd(int session);

    // The settings and their defaults.
    static constexpr int kDefaultPortStart = 30000;
    static constexpr int kDefaultPortCount = 100;
    static constexpr int kDefaultTransport = PELLMAR_TRANS_RTSP;

signals:
    void StartFinishedSig(int session, int result);
    void StreamEndedSig(int session);

private:
    struct Starting
    {
        std::shared_ptr<RtspStreamSink> sink;
        bool bCancelled = false;
        bool bEnded = false;
    };

    RtspManager();
    ~RtspManager() override;

    void ReadSettings();
    void FinishStart(int session, int result);
    void OnStreamEnd(int session);
    void QueueStop(int session, const std::shared_ptr<RtspStreamSink>& sink);
    static void CloseSession(int session);

    QList<int> qlistSession;
    QHash<int, std::shared_ptr<RtspStreamSink>> hashSink;
    QHash<int, Starting> hashStarting;
    PORT_POOL_T portPool{};
    QThreadPool pool;

    static QMutex instanceMutex;
    static RtspManager* pInstance;
    static bool bDestroyed;
};
