#include "IncidentDetailInfoDialog.h"

#include "ui_IncidentDetailInfoDialog.h"

IncidentDetailInfoDialog::IncidentDetailInfoDialog(QWidget* parent)
    : QBaseDialog(parent), ui(std::make_unique<Ui::IncidentDetailInfoDialog>())
{
    ui->setupUi(this);
    SetTitleBar(ui->frameTitle);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::CoverWindow);
    ui->labelIcon->hide();
}

IncidentDetailInfoDialog::~IncidentDetailInfoDialog() = default;

void IncidentDetailInfoDialog::SetInfo(const QString&, const QString& typeName, const QString& timeText,
                                       const QString& deviceIp, const QString& channelIp, int laneNo,
                                       const QString& picPath)
{
    ui->labelType->setText(typeName);
    ui->labelDetailTime->setText(timeText);
    ui->labelDetailDevIp->setText(deviceIp);
    ui->labelDetailChannel->setText(channelIp);
    ui->labelDetailLaneNo->setText(QString::number(laneNo));
    // A picture that could not be stored leaves the frame empty; the texts still show.
    if (picPath.isEmpty())
        ui->framePic->clearImage();
    else
        ui->framePic->setImage(picPath, false);
}
