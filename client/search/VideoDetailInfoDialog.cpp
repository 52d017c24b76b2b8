#include "VideoDetailInfoDialog.h"

#include "VideoManager.h"

#include "dialogs/FullScreenHost.h"
#include "dialogs/QPictureFrame.h"
#include "dialogs/QPromptWidget.h"

#include "ui_VideoDetailInfoDialog.h"

#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

namespace {

constexpr int kToastMs = 3000;
constexpr int kNormalInterval = 1000;

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// Hours, minutes and seconds of `seconds`, two digits each.
void ShowTime(QLabel* hours, QLabel* minutes, QLabel* secs, int seconds)
{
    const int h = seconds / 3600;
    const int rest = seconds - h * 3600;
    hours->setText(TwoDigits(h));
    minutes->setText(TwoDigits(rest / 60));
    secs->setText(TwoDigits(rest % 60));
}

} // namespace

VideoDetailInfoDialog::VideoDetailInfoDialog(QWidget* parent)
    : QDialog(parent, Qt::WindowFlags()), ui(std::make_unique<Ui::VideoDetailInfoDialog>())
{
    ui->setupUi(this);
    SetTitleBar(ui->frameTitle);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::CoverWindow);
    manager = VideoManager::GetInstance();
    manager->GetMavroPort(port);
    displayTimer.setSingleShot(false);
    connect(&displayTimer, &QTimer::timeout, this, &VideoDetailInfoDialog::slotSecondTimeout, Qt::AutoConnection);
    ShowIdle();
    ui->frameVideo->installEventFilter(this);
}

VideoDetailInfoDialog::~VideoDetailInfoDialog()
{
    QObject::disconnect(closeConnection);
    fullScreen.reset();
    ReleasePort();
}

void VideoDetailInfoDialog::reTranslateUI()
{
    ui->retranslateUi(this); // the time texts are not translated, so they stay
}

void VideoDetailInfoDialog::SetTitleBar(QWidget* bar)
{
    if (titleBar)
        titleBar->removeEventFilter(this);
    if (closeConnection)
        QObject::disconnect(closeConnection);
    titleDrag.Reset();
    titleBar = bar;
    titleBar->installEventFilter(this);
    const QList<QWidget*> closeButtons = titleBar->findChildren<QWidget*>(QStringLiteral("toolButton_close"));
    if (!closeButtons.isEmpty()) {
        if (auto* button = qobject_cast<QToolButton*>(closeButtons.first()))
            closeConnection = connect(button, &QToolButton::clicked, this, [this] { close(); });
    }
}

void VideoDetailInfoDialog::OpenVideo(const QString& path)
{
    if (!manager)
        return;
    if (port < 0)
        manager->GetMavroPort(port);
    if (!manager->SetVideoFile(port, path)) {
        // Playing whatever the port held before would show another clip under this one's name.
        manager->SetVideoFile(port, QString());
        ShowIdle();
        ui->frameVideo->clearImage();
        QPromptWidget::ShowPrompt(QPromptWidget::Fail, tr("录像文件无法打开：") + QFileInfo(path).fileName(), this,
                                  kToastMs);
        return;
    }
    StartPlay();
}

void VideoDetailInfoDialog::StartPlay()
{
    if (!manager)
        return;
    manager->SetFileEndCallback(port, this);
    fileTime = manager->GetFileTime(port);
    if (manager->GetLeftTime(port) < 0)
        return;
    if (!manager->StartVideoPlay(port, ui->frameVideo->winId()))
        return;
    ShowPlayButton(false);
    EnableControls(true);
    SetTotalTime(fileTime);
    RestartTimer(kNormalInterval);
}

void VideoDetailInfoDialog::ShowPlayButton(bool play)
{
    ui->tBtnStart->setVisible(play);
    ui->tBtnPause->setVisible(!play);
}

void VideoDetailInfoDialog::EnableControls(bool enable)
{
    for (QWidget* control : {static_cast<QWidget*>(ui->SliVideoProcess), static_cast<QWidget*>(ui->tBtnStop),
                             static_cast<QWidget*>(ui->tBtnOnebyone), static_cast<QWidget*>(ui->tBtnOnebyoneback),
                             static_cast<QWidget*>(ui->tBtnSpeedUp), static_cast<QWidget*>(ui->tBtnSpeedDown)})
        control->setEnabled(enable);
}

void VideoDetailInfoDialog::ShowIdle()
{
    displayTimer.stop();
    ShowPlayButton(true);
    ui->tBtnStart->setProperty("Pause", false);
    EnableControls(false);
    fileTime = 0;
    SetCurTime(0);
    SetTotalTime(0);
}

void VideoDetailInfoDialog::ShowStopped()
{
    displayTimer.stop();
    ShowPlayButton(true);
    ui->tBtnStart->setProperty("Pause", false);
    ui->SliVideoProcess->setEnabled(false);
    ui->frameVideo->clearImage();
    EnableControls(false);
    fileTime = 0;
    SetCurTime(0);
}

void VideoDetailInfoDialog::RestartTimer(int interval)
{
    timerInterval = interval;
    displayTimer.stop();
    displayTimer.setInterval(timerInterval);
    displayTimer.start();
}

void VideoDetailInfoDialog::SetCurTime(int seconds)
{
    ShowTime(ui->labelCurH, ui->labelCurM, ui->labelCurS, seconds);
    ui->SliVideoProcess->setValue(seconds);
}

void VideoDetailInfoDialog::SetTotalTime(int seconds)
{
    ShowTime(ui->labelTotalH, ui->labelTotalM, ui->labelTotalS, seconds);
    ui->SliVideoProcess->setRange(0, seconds);
}

void VideoDetailInfoDialog::slotFileEnd(long lPort)
{
    if (lPort != port)
        return;
    on_tBtnStop_clicked();
    ToggleFullScreen();
}

void VideoDetailInfoDialog::slotSecondTimeout()
{
    if (!manager)
        return;
    const int played = manager->GetPlayedTime(port);
    if (played >= 0)
        SetCurTime(played);
}

void VideoDetailInfoDialog::on_tBtnStart_clicked()
{
    if (!manager)
        return;
    if (!ui->tBtnStart->property("Pause").toBool()) {
        StartPlay();
        return;
    }
    if (!manager->PauseVideoPlay(port, false))
        return;
    ShowPlayButton(false);
    ui->tBtnStart->setProperty("Pause", false);
    displayTimer.start(timerInterval);
}

void VideoDetailInfoDialog::on_tBtnPause_clicked()
{
    if (!manager || !manager->PauseVideoPlay(port, true))
        return;
    ShowPlayButton(true);
    ui->tBtnStart->setProperty("Pause", true);
    displayTimer.stop();
}

void VideoDetailInfoDialog::on_tBtnStop_clicked()
{
    if (!manager || !manager->StopVideoPlay(port))
        return;
    ShowStopped();
}

void VideoDetailInfoDialog::FrameStepped()
{
    ShowPlayButton(true);
    ui->tBtnStart->setProperty("Pause", false);
    if (displayTimer.isActive())
        displayTimer.stop();
    const int played = manager->GetPlayedTime(port);
    if (played >= 0 && played != ui->SliVideoProcess->value())
        SetCurTime(played);
}

void VideoDetailInfoDialog::on_tBtnOnebyone_clicked()
{
    if (manager && manager->SetVideoOnebyOne(port))
        FrameStepped();
}

void VideoDetailInfoDialog::on_tBtnOnebyoneback_clicked()
{
    if (manager && manager->SetVideoOnebyOneBack(port))
        FrameStepped();
}

void VideoDetailInfoDialog::on_tBtnSpeedUp_clicked()
{
    if (manager && manager->SetVideoFast(port))
        RestartTimer(timerInterval / 2);
}

void VideoDetailInfoDialog::on_tBtnSpeedDown_clicked()
{
    if (manager && manager->SetVideoSlow(port))
        RestartTimer(timerInterval * 2);
}

void VideoDetailInfoDialog::on_SliVideoProcess_sliderMoved(int value)
{
    if (manager)
        manager->SetCurPlayTime(port, value * 1000);
}

void VideoDetailInfoDialog::on_SliVideoProcess_sliderPressed()
{
    if (manager)
        manager->SetCurPlayTime(port, ui->SliVideoProcess->value() * 1000);
}

bool VideoDetailInfoDialog::IsVideoFullScreen() const
{
    return fullScreen && fullScreen->IsActive();
}

void VideoDetailInfoDialog::ToggleFullScreen()
{
    if (IsVideoFullScreen()) {
        fullScreen->Leave();
        return;
    }
    if (ui->tBtnStart->isVisible())
        return;
    if (!fullScreen)
        fullScreen = std::make_unique<FullScreenHost>(ui->frameVideo);
    fullScreen->Enter();
}

void VideoDetailInfoDialog::done(int result)
{
    if (IsVideoFullScreen())
        ToggleFullScreen();
    // A hidden dialog that kept playing would decode on for nobody and hold its port.
    if (manager && port >= 0 && manager->HasVideoFile(port)) {
        manager->StopVideoPlay(port);
        manager->SetVideoFile(port, QString());
    }
    ReleasePort();
    ShowIdle();
    ui->frameVideo->clearImage();
    QDialog::done(result);
}

void VideoDetailInfoDialog::ReleasePort()
{
    if (!manager || port < 0)
        return;
    manager->FreeMavroPort(port);
    port = -1;
}

bool VideoDetailInfoDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == titleBar && titleDrag.HandleTitleEvent(this, event))
        return true;
    if (watched == ui->frameVideo && event->type() == QEvent::MouseButtonDblClick)
        ToggleFullScreen();
    return QDialog::eventFilter(watched, event);
}

void VideoDetailInfoDialog::showEvent(QShowEvent* event)
{
    if (!testAttribute(Qt::WA_Mapped))
        setAttribute(Qt::WA_Mapped);
    QDialog::showEvent(event);
}
