#pragma once

#include <QObject>
#include <QProcess>

// Starts one external program (the media player) and logs its life: start,
// state changes, errors and exit. Failures the user should know of are
// reported through ErrMsgSig. GUI thread only.
class ExternalProcessManage : public QObject
{
    Q_OBJECT

public:
    explicit ExternalProcessManage(QObject* parent = nullptr);

    // The player: "VLC/vlc" under the application directory, else "vlc" found
    // on the PATH, else the application-directory path (which then reports
    // itself as missing).
    static QString PlayerPath();

    void StartProcess(const QString& programPath);
    void StopProcess();

    QProcess* Process() const { return m_process; }

signals:
    void ErrMsgSig(QString text);

private slots:
    void ProcessStartedSlot();
    void ProcessErrorSlot(QProcess::ProcessError error);
    void ProcessStateChangedSlot(QProcess::ProcessState state);

private:
    QProcess* m_process = nullptr;
};
