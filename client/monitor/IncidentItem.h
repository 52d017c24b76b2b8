#pragma once

#include <QString>
#include <QWidget>

#include <memory>

namespace Ui {
class IncidentItem;
}

// One row of the live incident list: time, device and camera of an incident,
// and a "查看详情" link that opens its detail dialog.
class IncidentItem : public QWidget
{
    Q_OBJECT

public:
    IncidentItem(const QString& timeText, const QString& iconPath, const QString& deviceIp, const QString& channelIp,
                 QWidget* parent = nullptr);
    ~IncidentItem() override;

    // Shows another incident in this row: the live list keeps its rows and
    // passes incidents down them instead of building a form per incident.
    void ShowIncident(const QString& timeText, const QString& iconPath, const QString& deviceIp,
                      const QString& channelIp);

    QString iconPath;
    QString timeText;
    QString deviceIp;
    QString channelIp;
    int laneNo = -1;
    QString typeName;
    QString picPath;

public slots:
    void on_labelCheckDetails_clicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    void ShowTexts();

    std::unique_ptr<Ui::IncidentItem> ui;
};
