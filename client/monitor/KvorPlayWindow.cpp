#include "KvorPlayWindow.h"

#include "PreviewDialog.h"
#include "RtspManager.h"
#include "RtspStreamSink.h"
#include "ui_KvorPlayWindow.h"

#include "core/Logging.h"
#include "device/DeviceManager.h"
#include "dialogs/FullScreenHost.h"
#include "dialogs/QPromptWidget.h"
#include "search/VideoManager.h"

#include <utility>

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

namespace {

const QColor kBackground(47, 50, 55);

std::shared_ptr<spdlog::logger> Log()
{
    return LoggerFor("KvorPlayWindow");
}

// The largest size of the aspect num:den that fits into w x h.
QSize FitAspect(int w, int h, int num, int den)
{
    if (w > h && w >= num * h / den)
        return {num * h / den, h};
    if (w <= 0)
        return {};
    int fitted = w;
    while (fitted > 0 && den * fitted / num > h)
        --fitted;
    return {fitted, den * fitted / num};
}

} // namespace

KvorPlayWindow::KvorPlayWindow(QWidget* parent) : QWidget(parent), ui(new Ui::KvorPlayWindow)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_OpaquePaintEvent); // paintEvent covers every pixel
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    ui->framePlay->setEnabled(false);
    ui->framePlay->setStyleSheet(QStringLiteral("background-color: rgb(47, 50, 55);"));
    pMenu = new QMenu(this);
    pAction = pMenu->addAction(QString());
    connect(pAction, &QAction::triggered, this, &KvorPlayWindow::ShowRtspDialogSlot, Qt::AutoConnection);
}

RtspDialog* KvorPlayWindow::GetRtspDialog()
{
    if (!rtspDialog) {
        rtspDialog = std::make_unique<RtspDialog>();
        connect(rtspDialog.get(), &RtspDialog::StartRtspPlaySig, this, &KvorPlayWindow::StartRtspPlaySlot,
                Qt::AutoConnection);
    }
    return rtspDialog.get();
}

KvorPlayWindow::~KvorPlayWindow()
{
    // A start still waiting on its server is interrupted, not waited for.
    StopRtspPlay();
    // The player's port goes back with the pane: every preview dialog has a
    // pane of its own, and the player has only a few dozen ports for everyone.
    if (lPlayerPort >= 0)
        VideoManager::GetInstance()->FreeMavroPort(lPlayerPort);
    fullScreen.reset();
    delete ui;
}

WId KvorPlayWindow::GetPlayWndId()
{
    return ui->framePlay->winId();
}

bool KvorPlayWindow::HasNativeVideoWindow() const
{
    return ui->framePlay->testAttribute(Qt::WA_NativeWindow);
}

quint64 KvorPlayWindow::BeginRealPlay(const stu_DeviceChannelInfo& next)
{
    // An RTSP stream keeps playing until the camera's picture is there: a
    // start that fails leaves the pane as it was.
    StopRealPlay();
    channel = next;
    bStarting = true;
    return ++nTicket;
}

KvorPlayWindow::RealPlayResult KvorPlayWindow::OpenRealPlay(const stu_DeviceChannelInfo& channel, WId window,
                                                            int streamType)
{
    constexpr const char* method = "KvorPlayWindow::StartRealPlay";
    RealPlayResult result;
    DeviceManager* devices = DeviceManager::GetInstance();
    if (!devices)
        return result;
    // A camera keeps one login for all its plays: logging in again for every
    // preview would pile up logins on the camera that are never logged out.
    if (!devices->GetUserIdByIpPortUser(channel.channelIp, channel.channelPort, channel.userName, &result.loginId) &&
        !devices->DeviceLogin(channel.channelIp, channel.channelPort, channel.userName, channel.password,
                              &result.loginId)) {
        Log()->error("{}, 通道{}登录失败", method, channel.channelIp);
        result.loginFailed = true;
        result.loginId = -1;
        return result;
    }
    // The SDK numbers a camera's only video channel 1.
    result.ok = DeviceManager::StartRealPlay(result.loginId, window, 1, streamType, &result.handle);
    if (!result.ok)
        result.handle = -1;
    return result;
}

bool KvorPlayWindow::FinishRealPlay(quint64 ticket, const RealPlayResult& result)
{
    if (ticket != nTicket || !bStarting) {
        // Stopped or restarted while this start was under way.
        if (result.handle != -1)
            DeviceManager::StopRealPlay(result.handle);
        return false;
    }
    bStarting = false;
    lLoginId = result.loginId;
    if (!result.ok) {
        channel = stu_DeviceChannelInfo();
        FrameLogoVisibleSlot(!bRtspPlaying && !bRtspStarting);
        // One message per failed start; the SDK and the log say why.
        QPromptWidget::ShowPrompt(QPromptWidget::Fail, tr("预览失败"), this, 3000);
        return false;
    }
    StopRtspPlay();
    lRealHandle = result.handle;
    FrameLogoVisibleSlot(false);
    ui->framePlay->setUpdatesEnabled(false);
    return true;
}

void KvorPlayWindow::StopPlay()
{
    StopRtspPlay();
    StopRealPlay();
}

long KvorPlayWindow::TakeRealHandle()
{
    return std::exchange(lRealHandle, -1);
}

void KvorPlayWindow::StopRealHandle(long handle)
{
    if (!DeviceManager::StopRealPlay(handle))
        Log()->error("{}, 停止预览{}失败", "KvorPlayWindow::StopRealHandle", handle);
}

void KvorPlayWindow::StopRealPlay()
{
    if (bStarting) {
        // The start under way is stopped when its result arrives.
        bStarting = false;
        ++nTicket;
    }
    if (lRealHandle != -1)
        StopRealHandle(TakeRealHandle());
    channel = stu_DeviceChannelInfo();
    if (bRtspPlaying || bRtspStarting)
        return; // the stream's picture stays
    FrameLogoVisibleSlot(true);
    ui->framePlay->setUpdatesEnabled(true);
    ui->framePlay->update();
}

QString KvorPlayWindow::PlayingChannelIp() const
{
    return (IsPlaying() || bStarting) ? channel.channelIp : QString();
}

void KvorPlayWindow::FrameLogoVisibleSlot(bool visible)
{
    ui->frameLogo->setVisible(visible);
}

bool KvorPlayWindow::IsLogoVisible() const
{
    return !ui->frameLogo->isHidden();
}

void KvorPlayWindow::LoadLogoImage()
{
    const QPixmap logo(QStringLiteral(":images/preview/kvorLogo.png"));
    ui->labelLogo->setPixmap(logo.scaled(ui->labelLogo->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

void KvorPlayWindow::SetHighLightPlayWndFrame()
{
    bHighlighted = true;
    UpdateMargins();
}

void KvorPlayWindow::SetGrayPlayWndFrame()
{
    bHighlighted = false;
    UpdateMargins();
}

void KvorPlayWindow::UpdateMargins()
{
    // The frame lies in the margins around the video; the video need not be drawn again.
    const QRect inner = ui->frame->geometry();
    update(QRegion(rect()).subtracted(QRegion(inner)));
}

void KvorPlayWindow::SetFillMode(VideoFillMode mode)
{
    fillMode = mode;
    ApplyFillMode();
}

void KvorPlayWindow::ApplyFillMode()
{
    const int w = ui->frame->width() - 2;
    const int h = ui->frame->height() - 2;
    QSize size(w, h);
    if (fillMode == Keep4To3)
        size = FitAspect(w, h, 4, 3);
    else if (fillMode == Keep16To9)
        size = FitAspect(w, h, 16, 9);
    if (fillMode == FillWhole) {
        // Filling follows the layout; fixing the size would keep the pane from shrinking.
        ui->framePlay->setMinimumSize(0, 0);
        ui->framePlay->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else if (size.isValid() && !size.isEmpty()) {
        ui->framePlay->setFixedSize(size);
    }
}

void KvorPlayWindow::SetPlayFrameFull(bool full)
{
    if (full) {
        if (!fullScreen)
            fullScreen = std::make_unique<FullScreenHost>(ui->framePlay);
        fullScreen->Enter();
    } else if (fullScreen) {
        fullScreen->Leave();
    }
}

bool KvorPlayWindow::IsPlayFrameFull() const
{
    return fullScreen && fullScreen->IsActive();
}

void KvorPlayWindow::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    // The margins around the video frame are the pane's own: left unpainted,
    // they show whatever the window held there before (strips of an earlier
    // layout or of the last video).
    painter.fillRect(rect(), kBackground);
    painter.setPen(QPen(bHighlighted ? QColor(43, 248, 207) : QColor(Qt::darkGray), 1));
    painter.drawRect(0, 0, width() - 2, height() - 2);
    QWidget::paintEvent(event);
}

void KvorPlayWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ApplyFillMode();
}

void KvorPlayWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit sendPressWndNo(nWndNo);
    QWidget::mousePressEvent(event);
}

void KvorPlayWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && (IsPlaying() || bRtspPlaying))
        OpenPreviewDialog();
    QWidget::mouseDoubleClickEvent(event);
}

void KvorPlayWindow::OpenPreviewDialog()
{
    // Deleted when it closes: a dialog per double-click would otherwise pile up.
    auto* dialog = new PreviewDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (IsPlaying())
        dialog->StartSdkPreview(channel);
    else
        dialog->StartRtspPreview(strRtspUrl, strRtspUser, strRtspPasswd);
    dialog->open();
}

void KvorPlayWindow::contextMenuEvent(QContextMenuEvent* event)
{
    if (IsPlaying() || bStarting)
        return;
    pAction->setText((bRtspPlaying || bRtspStarting) ? tr("关闭预览") : tr("RTSP取流"));
    pMenu->move(event->globalPos());
    pMenu->show();
}

void KvorPlayWindow::ShowRtspDialogSlot(bool /*checked*/)
{
    if (IsPlaying() || bStarting)
        return;
    if (bRtspPlaying || bRtspStarting) {
        StopRtspPlay();
        return;
    }
    RtspDialog* dialog = GetRtspDialog();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void KvorPlayWindow::SetRtspParam(const QString& url, const QString& user, const QString& password)
{
    strRtspUrl = url;
    strRtspUser = user;
    strRtspPasswd = password;
}

void KvorPlayWindow::StartRtspPlaySlot(QString strUrl, QString strUserName, QString strPasswd)
{
    constexpr const char* method = "KvorPlayWindow::StartRtspPlaySlot";
    SetRtspParam(strUrl, strUserName, strPasswd);
    // One play at a time: whatever plays now makes way, and the tree hears
    // that its camera no longer plays here.
    const QString displaced = PlayingChannelIp();
    StopPlay();
    if (!displaced.isEmpty())
        emit RealPlayDisplaced(displaced);
    RtspManager* manager = RtspManager::instance();
    if (!manager)
        return;
    ConnectRtspManager();
    if (lPlayerPort < 0)
        VideoManager::GetInstance()->GetMavroPort(lPlayerPort);
    if (lPlayerPort < 0) {
        QPromptWidget::ShowPrompt(QPromptWidget::Fail, tr("预览失败"), this, 3000);
        Log()->info("{}, 取流失败", method);
        return;
    }
    // The native window exists before the library's thread hands it to the player.
    rtspSink = std::make_shared<RtspStreamSink>(lPlayerPort, GetPlayWndId());
    nRtspSession =
        manager->StartPlay(strUrl.toStdString(), strUserName.toStdString(), strPasswd.toStdString(), rtspSink);
    if (nRtspSession == 0) {
        rtspSink.reset();
        QPromptWidget::ShowPrompt(QPromptWidget::Fail, tr("预览失败"), this, 3000);
        Log()->info("{}, 取流失败", method);
        return;
    }
    bRtspStarting = true;
}

void KvorPlayWindow::ConnectRtspManager()
{
    if (bRtspManagerConnected)
        return;
    RtspManager* manager = RtspManager::instance();
    connect(manager, &RtspManager::StartFinishedSig, this, &KvorPlayWindow::RtspStartFinished, Qt::AutoConnection);
    connect(manager, &RtspManager::StreamEndedSig, this, &KvorPlayWindow::RtspStreamEnded, Qt::AutoConnection);
    bRtspManagerConnected = true;
}

void KvorPlayWindow::RtspStartFinished(int session, int result)
{
    if (!bRtspStarting || session != nRtspSession)
        return;
    bRtspStarting = false;
    if (result == 0) {
        bRtspPlaying = true;
        FrameLogoVisibleSlot(false);
        ui->framePlay->setUpdatesEnabled(false);
        return;
    }
    QPromptWidget::ShowPrompt(QPromptWidget::Fail, RtspFailureText(result), this, 3000);
    StopRtspPlay();
    Log()->info("{}, 取流失败, {}", "KvorPlayWindow::StartRtspPlaySlot", result);
}

QString KvorPlayWindow::RtspFailureText(int result) const
{
    // The server's 401 sits at position 11 of the library's status table.
    constexpr int kUnauthorized = 11;
    switch (result) {
    case kUnauthorized: return tr("RTSP用户名或密码错误");
    case PELLMAR_ERR_CONNECT: return tr("无法连接RTSP服务器");
    case PELLMAR_ERR_TIMEOUT:
    case PELLMAR_ERR_RECV: return tr("RTSP服务器无应答");
    default: return tr("预览失败");
    }
}

void KvorPlayWindow::RtspStreamEnded(int session)
{
    if (!bRtspPlaying || session != nRtspSession)
        return;
    QPromptWidget::ShowPrompt(QPromptWidget::Fail, tr("RTSP视频流已中断"), this, 3000);
    Log()->info("{}, 视频流已中断", "KvorPlayWindow::RtspStreamEnded");
    StopRtspPlay();
}

void KvorPlayWindow::StopRtspPlay()
{
    if (!bRtspPlaying && !bRtspStarting && !rtspSink)
        return;
    // After the manager is gone (program end) nothing is left to stop, and
    // the library must not be started again for it.
    if (nRtspSession != 0) {
        if (RtspManager* manager = RtspManager::instance())
            manager->StopPlay(nRtspSession);
    }
    if (rtspSink)
        rtspSink->Close();
    rtspSink.reset();
    nRtspSession = 0;
    bRtspPlaying = false;
    bRtspStarting = false;
    FrameLogoVisibleSlot(true);
    ui->framePlay->setUpdatesEnabled(true);
    ui->framePlay->update();
}
