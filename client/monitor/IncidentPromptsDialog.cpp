#include "IncidentPromptsDialog.h"

#include "IncidentDetailInfoDialog.h"

#include "ui_IncidentPromptsDialog.h"

#include "core/IncidentVocabulary.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QScreen>

IncidentPromptsDialog::IncidentPromptsDialog(QWidget* parent)
    : QBaseDialog(parent), ui(std::make_unique<Ui::IncidentPromptsDialog>())
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

void IncidentPromptsDialog::SetIncidentType(quint32 code)
{
    incidentType = code;
}

QList<QRect> IncidentPromptsDialog::HostControlsOnScreen() const
{
    QList<QRect> controls;
    QWidget* host = parentWidget() ? parentWidget()->window() : nullptr;
    if (!host || !host->isVisible() || host->isMinimized())
        return controls;
    for (QWidget* child : host->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(child) || qobject_cast<QLineEdit*>(child) ||
                             qobject_cast<QComboBox*>(child) || qobject_cast<QAbstractSlider*>(child) ||
                             qobject_cast<QAbstractSpinBox*>(child);
        if (control && child->window() == host && child->isVisible())
            controls << QRect(child->mapToGlobal(QPoint(0, 0)), child->size());
    }
    return controls;
}

QPoint IncidentPromptsDialog::CornerPosition() const
{
    const QRect area = AvailableArea();
    // The bottom shadow margin (12) may hang below the free area.
    const QRect corner(QPoint(area.x() + area.width() - width(), area.y() + area.height() - height() + 12), size());
    const QList<QRect> controls = HostControlsOnScreen();
    QRect place = corner;
    // Up past each control the place covers, until it covers none; a screen
    // full of controls up to its top leaves the corner as it was.
    for (bool moved = true; moved && place.top() >= area.top();) {
        moved = false;
        for (const QRect& control : controls) {
            if (place.intersects(control)) {
                place.moveBottom(control.top() - 1);
                moved = true;
            }
        }
    }
    return place.top() >= area.top() ? place.topLeft() : corner.topLeft();
}

void IncidentPromptsDialog::ShowAtCorner()
{
    move(CornerPosition());
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
    const QString name = QString::fromStdString(IncidentTypeName(incidentType));
    if (!name.isEmpty()) {
        typeName = name;
        ui->labelIncidentType->setText(name);
    }
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
