#pragma once

#include "RtspDialog.h"

#include "core/stu_DeviceChannelInfo.h"

#include <QWidget>

#include <atomic>
#include <memory>

namespace Ui {
class KvorPlayWindow;
}
class FullScreenHost;
class QAction;
class QMenu;
class RtspStreamSink;

enum VideoFillMode : quint16 { FillWhole = 0, Keep4To3 = 1, Keep16To9 = 2 };

// One live-video pane: the device SDK draws a camera's live video into the
// pane's native video window (framePlay), created on the first play only, so a
// grid of idle panes costs no native windows. Or the pane pulls an RTSP stream
// (entered in its own RTSP dialog, opened from its context menu) through the
// RtspManager and feeds its blocks into a player port of its own, taken on the
// first RTSP play and kept for the pane's life. The pane draws its selection
// frame, reports presses, can show its video full screen and opens the preview
// dialog on a double-click.
//
// Threads: everything here runs on the GUI thread except OpenRealPlay, which
// a pool thread runs with values copied on the GUI thread; its result comes
// back through FinishRealPlay on the GUI thread. A start that is overtaken by
// a stop (or a newer start) is stopped when its result arrives. RTSP blocks
// go from the library's threads straight into the player through the
// session's RtspStreamSink, never through the pane.
class KvorPlayWindow : public QWidget
{
    Q_OBJECT

public:
    // What a start on a pool thread found.
    struct RealPlayResult
    {
        bool ok = false;
        long loginId = -1;
        long handle = -1;
        bool loginFailed = false;
    };

    explicit KvorPlayWindow(QWidget* parent = nullptr);
    ~KvorPlayWindow() override;

    void SetChanNo(quint16 number) { nWndNo = number; }
    // The native window of the video frame; created on the first call (GUI thread).
    WId GetPlayWndId();
    bool HasNativeVideoWindow() const;

    // GUI thread: stops what plays, marks the pane as starting `channel` and
    // returns the ticket that FinishRealPlay must present.
    quint64 BeginRealPlay(const stu_DeviceChannelInfo& channel);
    // Pool thread: reuses the camera's login (or logs in) and starts SDK play
    // into `window`. Touches no widget.
    static RealPlayResult OpenRealPlay(const stu_DeviceChannelInfo& channel, WId window, int streamType);
    // GUI thread: takes the result of the start with `ticket`; a stale result
    // is stopped at once. Returns whether the pane now plays.
    bool FinishRealPlay(quint64 ticket, const RealPlayResult& result);

    bool IsCurrentStart(quint64 ticket) const { return bStarting && ticket == nTicket; }

    // Stops whichever play runs or starts (SDK or RTSP).
    void StopPlay();
    // The SDK play's handle, for the caller to stop; the pane no longer plays it.
    long TakeRealHandle();
    // Stops an SDK play taken from a pane; any thread. Waits for the stream's
    // thread and player.
    static void StopRealHandle(long handle);
    // SDK play.
    bool IsPlaying() const { return lRealHandle != -1; }
    bool IsRtspPlaying() const { return bRtspPlaying; }
    bool IsRtspStarting() const { return bRtspStarting; }
    int RtspSession() const { return nRtspSession; }
    long PlayerPort() const { return lPlayerPort; }
    // The parameters of the last RTSP start.
    void SetRtspParam(const QString& url, const QString& user, const QString& password);
    QString RtspUrl() const { return strRtspUrl; }
    // Built when first asked for: most panes never show it.
    RtspDialog* GetRtspDialog();
    QMenu* ContextMenu() const { return pMenu; }
    bool IsStarting() const { return bStarting; }
    // The channel shown (or being started); empty IP when idle.
    QString PlayingChannelIp() const;
    const stu_DeviceChannelInfo& Channel() const { return channel; }

    void SetHighLightPlayWndFrame();
    void SetGrayPlayWndFrame();
    bool IsHighlighted() const { return bHighlighted; }
    void SetFillMode(VideoFillMode mode);
    // Shows the video frame alone on the whole screen, or puts it back.
    void SetPlayFrameFull(bool full);
    bool IsPlayFrameFull() const;
    bool IsLogoVisible() const;
    void LoadLogoImage();

signals:
    void sendPressWndNo(quint16 number);
    void sendDoubleClickWndNo(quint16 number);
    // An RTSP start from this pane's dialog stopped the camera it played.
    void RealPlayDisplaced(const QString& channelIp);

public slots:
    void FrameLogoVisibleSlot(bool visible);
    // GUI thread: starts pulling the stream; the window stays responsive
    // while the server answers, and a failure ends in one toast.
    void StartRtspPlaySlot(QString strUrl, QString strUserName, QString strPasswd);
    // The context-menu entry: the RTSP dialog on an idle pane, a stop on an
    // RTSP pane, nothing on an SDK pane.
    void ShowRtspDialogSlot(bool checked = false);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The SDK play and a start of it under way; an RTSP stream is left alone.
    void StopRealPlay();
    void ApplyFillMode();
    void UpdateMargins();
    void OpenPreviewDialog();
    void ConnectRtspManager();
    void RtspStartFinished(int session, int result);
    void RtspStreamEnded(int session);
    void StopRtspPlay();
    QString RtspFailureText(int result) const;

    long lLoginId = -1;
    stu_DeviceChannelInfo channel;
    Ui::KvorPlayWindow* ui;
    VideoFillMode fillMode = FillWhole;
    quint16 nWndNo = 1;
    bool bHighlighted = false;
    long lRealHandle = -1;
    bool bStarting = false;
    quint64 nTicket = 0;

    QMenu* pMenu = nullptr;
    QAction* pAction = nullptr;
    std::unique_ptr<RtspDialog> rtspDialog;
    long lPlayerPort = -1;
    bool bRtspPlaying = false;
    bool bRtspStarting = false;
    int nRtspSession = 0;
    std::shared_ptr<RtspStreamSink> rtspSink;
    bool bRtspManagerConnected = false;
    QString strRtspUrl;
    QString strRtspUser;
    QString strRtspPasswd;
    std::unique_ptr<FullScreenHost> fullScreen;
};
