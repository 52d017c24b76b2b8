#pragma once

#include "dialogs/TitleBarDrag.h"

#include <QDialog>
#include <QMetaObject>
#include <QTimer>

#include <memory>

namespace Ui {
class VideoDetailInfoDialog;
}
class FullScreenHost;
class VideoManager;

// Plays one saved clip in a window of its own: play, pause, stop, frame steps
// both ways, faster and slower, a position slider in seconds and the current
// and total times; a double click on the picture switches full screen.
//
// It draws through one playback port of VideoManager. The port is taken when
// the dialog is built or a clip is opened, and given back when the dialog
// closes, which also stops the playback, so a closed dialog holds nothing of
// the player. Everything runs on the GUI thread; the end of the file arrives
// as a queued slotFileEnd call.
class VideoDetailInfoDialog : public QDialog
{
    Q_OBJECT

public:
    explicit VideoDetailInfoDialog(QWidget* parent = nullptr);
    ~VideoDetailInfoDialog() override;

    // Opens the clip and starts it. A clip that cannot be opened leaves the
    // dialog idle and says so.
    void OpenVideo(const QString& path);

    void reTranslateUI();

    long Port() const { return port; }
    bool IsVideoFullScreen() const;
    int TimerInterval() const { return timerInterval; }
    const QTimer& DisplayTimer() const { return displayTimer; }

public slots:
    void slotFileEnd(long lPort);
    void slotSecondTimeout();
    void on_tBtnStart_clicked();
    void on_tBtnPause_clicked();
    void on_tBtnStop_clicked();
    void on_tBtnOnebyone_clicked();
    void on_tBtnOnebyoneback_clicked();
    void on_tBtnSpeedUp_clicked();
    void on_tBtnSpeedDown_clicked();
    void on_SliVideoProcess_sliderMoved(int value);
    void on_SliVideoProcess_sliderPressed();

    // However it closes, the playback stops and the port goes back.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void SetTitleBar(QWidget* titleBar);
    void StartPlay();
    void ShowStopped();
    void ShowIdle();
    void ShowPlayButton(bool play);
    void EnableControls(bool enable);
    void FrameStepped();
    void RestartTimer(int interval);
    void SetCurTime(int seconds);
    void SetTotalTime(int seconds);
    void ToggleFullScreen();
    void ReleasePort();

    std::unique_ptr<Ui::VideoDetailInfoDialog> ui;
    QWidget* titleBar = nullptr;
    QMetaObject::Connection closeConnection;
    TitleBarDrag titleDrag;
    VideoManager* manager = nullptr;
    long port = -1;
    int fileTime = 0;         // seconds
    int timerInterval = 1000; // ms: halved by each step faster, doubled by each step slower
    QTimer displayTimer;
    std::unique_ptr<FullScreenHost> fullScreen;
};
