#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QWidget>

// The client's one wrapper of the player layer's file functions: hands out
// playback ports, remembers the file open on each, and forwards play, pause,
// speed, frame steps, seeking, sound and time queries. The layer's end-of-file
// notice becomes a queued call of the receiver's slot `slotFileEnd(long)`.
//
// Every operation and the port map belong to the GUI thread. Only the layer's
// two callbacks come from its own threads: the end-of-file one posts a call
// and touches nothing here; the index one writes the index-ready set under
// the set's own mutex. Failures are logged (logger "VideoManager") and
// reported by a false result, -1 (port) or 0.0 (position).
class VideoManager : public QObject
{
    Q_OBJECT

public:
    // Created on first use and kept until the process ends.
    static VideoManager* GetInstance();

    // A free port into `port`; -1 when the layer has none left.
    void GetMavroPort(long& port);
    // Releases the port; once it returns no callback of the port runs again.
    void FreeMavroPort(long& port);

    // Closes the port's file, if any, then opens `path` on it; an empty path
    // only closes. The port must have been handed out here.
    bool SetVideoFile(long& port, const QString& path);
    bool StartVideoPlay(long& port, WId window);
    bool StopVideoPlay(long& port);
    bool PauseVideoPlay(long& port, bool pause);
    bool SetVideoFast(long& port);
    bool SetVideoSlow(long& port);
    // Frame steps need the index of the file open on the port.
    bool SetVideoOnebyOne(long& port);
    bool SetVideoOnebyOneBack(long& port);
    bool SetCurPlayTime(long& port, int milliseconds);
    // `position` from 0.0 (start) to 1.0 (end).
    bool SetCurPlayPos(long& port, float position);
    float GetCurPlayPos(long& port);
    // `receiver` gets `slotFileEnd(long port)` on its own thread at the end of the file.
    void SetFileEndCallback(long& port, QObject* receiver);
    bool OpenVideoSound(long& port);
    bool CloseVideoSound(long& port);

    bool HasVideoFile(long& port) const;
    QString GetVideoFile(long& port) const;
    // Whole seconds; the played time is -1 while unknown.
    int GetFileTime(long& port);
    int GetPlayedTime(long& port);
    int GetLeftTime(long& port);
    int GetTotalFrames(long& port);
    int GetPlayedTimeMs(long& port);
    int GetCurFrameNum(long& port);

    // Whether the layer has reported the index of the file open on the port.
    static bool IsIndexReady(long port);

private:
    VideoManager() = default;

    bool FrameStep(long& port, const char* method, const char* indexMessage, const char* failMessage,
                   int (*step)(long));

    QMap<long, QString> filePaths; // port -> open file, empty when none
};
