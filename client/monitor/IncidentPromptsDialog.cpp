#include "IncidentPromptsDialog.h"

#include "IncidentDetailInfoDialog.h"

#include "ui_IncidentPromptsDialog.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QScreen>

IncidentPromptsDialog::IncidentPromptsDialog(QWidget* parent)
    : QBaseDialog(parent)
    , ui(std::make_unique<Ui::IncidentPromptsDialog>())
{
    ui->setupUi(this);
    SetTitleBar(ui->frameTitle);
    // Fully opaque for about 19.6 s, then fading out and closing at 20 s.
    pAnimation = new QPropertyAnimation(this, "windowOpacity", this);
    pAnimation->setDuration(kFadeMs);
    pAnimation->setKeyValueAt(0, 1);
    pAnimation->setKeyValueAt(0.8, 1);
    pAnimation->setKeyValueAt(1, 0);
    pAnimation->setEasingCurve(QEasingCurve::InCirc);
    connect(pAnimation, &QPropertyAnimation::finished, this, &QWidget::close);
    ui->labelPic->hide();
}

IncidentPromptsDialog::~IncidentPromptsDialog() = default;

void IncidentPromptsDialog::SetInfo(const QString& iconPath, const QString& typeName, const QString& timeText,
                                    const QString& deviceIp, const QString& channelIp, int laneNo)
{
    pAnimation->stop();
    ui->labelIncidentType->setText(typeName);
    ui->labelIncidentTime->setText(timeText);
    ui->labelIncidentDevice->setText(deviceIp);
    ui->labelIncidentChannelNo->setText(channelIp);
    ui->labelIncidentLaneNo->setText(QString::number(laneNo));
    this->iconPath = iconPath;
    this->typeName = typeName;
    this->timeText = timeText;
    this->deviceIp = deviceIp;
    this->channelIp = channelIp;
    this->laneNo = laneNo;
}

QRect IncidentPromptsDialog::AvailableArea() const
{
    // The screen the main window is on, and its free area wherever task bars sit.
    const QWidget* host = parentWidget() ? parentWidget()->window() : nullptr;
    QScreen* screen = host ? host->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void IncidentPromptsDialog::ShowAtCorner()
{
    const QRect area = AvailableArea();
    // The bottom shadow margin (12) may hang below the free area.
    move(area.x() + area.width() - width(), area.y() + area.height() - height() + 12);
    setWindowOpacity(1.0);
    pAnimation->stop();
    pAnimation->start();
    show();
}

void IncidentPromptsDialog::reTranslateUI()
{
    ui->labelIncidentPromptsDlgName->setText(tr("事件报警"));
    ui->labelTime->setText(tr("时间"));
    ui->labelDevice->setText(tr("设备"));
    ui->labelChannelNo->setText(tr("通道号"));
    ui->labelLaneNo->setText(tr("车道号"));
    ui->labelCheckDetailes->setText(tr("双击查看详情"));
}

void IncidentPromptsDialog::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    close();
    IncidentDetailInfoDialog dialog(nullptr);
    dialog.SetInfo(iconPath, typeName, timeText, deviceIp, channelIp, laneNo, picPath);
    dialog.exec();
}
