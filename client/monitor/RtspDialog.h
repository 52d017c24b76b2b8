#pragma once

#include "dialogs/QBaseDialog.h"

#include <memory>

namespace Ui {
class RtspDialog;
}

// Asks for an RTSP URL, a user name and a password and hands the three, as
// typed, to the pane that owns the dialog. The values stay in the fields
// between openings.
class RtspDialog : public QBaseDialog
{
    Q_OBJECT

public:
    static const QString kDefaultUrl;
    static const QString kDefaultUserName;
    static const QString kDefaultPassword;

    explicit RtspDialog(QWidget* parent = nullptr);
    ~RtspDialog() override;

signals:
    void StartRtspPlaySig(QString strUrl, QString strUserName, QString strPasswd);

public slots:
    void on_pBtnPlay_clicked();
    void on_pBtnCancel_clicked();
    void reTranslateUI();

private:
    std::unique_ptr<Ui::RtspDialog> ui;
};
