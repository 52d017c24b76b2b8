#include "IncidentItem.h"

#include "IncidentDetailInfoDialog.h"

#include "ui_IncidentItem.h"

#include <QEvent>

IncidentItem::IncidentItem(const QString& timeText, const QString& iconPath, const QString& deviceIp,
                           const QString& channelIp, QWidget* parent)
    : QWidget(parent), iconPath(iconPath), timeText(timeText), deviceIp(deviceIp), channelIp(channelIp),
      ui(std::make_unique<Ui::IncidentItem>())
{
    ui->setupUi(this);
    ShowTexts();
}

IncidentItem::~IncidentItem() = default;

void IncidentItem::ShowIncident(const QString& timeText, const QString& iconPath, const QString& deviceIp,
                                const QString& channelIp)
{
    this->timeText = timeText;
    this->iconPath = iconPath;
    this->deviceIp = deviceIp;
    this->channelIp = channelIp;
    ShowTexts();
}

void IncidentItem::ShowTexts()
{
    ui->labelTime->setText(tr("时间") + QStringLiteral(" %1").arg(timeText));
    ui->labelDeviceIp->setText(tr("设备") + QStringLiteral(" %1").arg(deviceIp));
    ui->labelChannelIp->setText(tr("通道") + QStringLiteral(" %1").arg(channelIp));
}

void IncidentItem::changeEvent(QEvent* event)
{
    // Rows already in the list follow a switch of the interface language.
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        ShowTexts();
    }
    QWidget::changeEvent(event);
}

void IncidentItem::on_labelCheckDetails_clicked()
{
    IncidentDetailInfoDialog dialog(nullptr);
    dialog.SetInfo(iconPath, typeName, timeText, deviceIp, channelIp, laneNo, picPath);
    dialog.exec();
}
