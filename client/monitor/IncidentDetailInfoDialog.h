#pragma once

#include "dialogs/QBaseDialog.h"

#include <memory>

namespace Ui {
class IncidentDetailInfoDialog;
}

// One live incident in full: its picture large, the type in red, and the
// device, time, camera and lane. Opened modally from the live list and the
// prompt window.
class IncidentDetailInfoDialog : public QBaseDialog
{
    Q_OBJECT

public:
    explicit IncidentDetailInfoDialog(QWidget* parent = nullptr);
    ~IncidentDetailInfoDialog() override;

    // `iconPath` is carried for the type's icon place, which stays hidden.
    void SetInfo(const QString& iconPath, const QString& typeName, const QString& timeText, const QString& deviceIp,
                 const QString& channelIp, int laneNo, const QString& picPath);

private:
    std::unique_ptr<Ui::IncidentDetailInfoDialog> ui;
};
