#pragma once

#include "dialogs/QBaseDialog.h"

#include <memory>

class QTimer;

namespace Ui {
class MessageInfoDlg;
}

// The client's message box: the title "提示" and one centred, wrapped text.
class MessageInfoDlg : public QBaseDialog
{
    Q_OBJECT

public:
    explicit MessageInfoDlg(QWidget* parent = nullptr);
    ~MessageInfoDlg() override;

    void SetText(const QString& text);
    // Closes the box 3 s later.
    void StartCloseTimer();

protected:
    void changeEvent(QEvent* event) override;

private:
    std::unique_ptr<Ui::MessageInfoDlg> ui;
    QTimer* m_pCloseTimer = nullptr;
};
