#include "MessageInfoDlg.h"

#include "ui_MessageInfoDlg.h"

#include <QEvent>
#include <QTimer>

MessageInfoDlg::MessageInfoDlg(QWidget* parent) : QBaseDialog(parent), ui(std::make_unique<Ui::MessageInfoDlg>())
{
    ui->setupUi(this);
    SetTitleBar(ui->frameTitle);
}

MessageInfoDlg::~MessageInfoDlg()
{
    if (m_pCloseTimer && m_pCloseTimer->isActive())
        m_pCloseTimer->stop();
}

void MessageInfoDlg::SetText(const QString& text)
{
    ui->labelText->setText(text);
}

void MessageInfoDlg::StartCloseTimer()
{
    m_pCloseTimer = new QTimer(this);
    m_pCloseTimer->setSingleShot(true);
    m_pCloseTimer->setInterval(3000);
    QTimer* timer = m_pCloseTimer;
    connect(
        timer, &QTimer::timeout, this,
        [this, timer] {
            close();
            timer->stop();
        },
        Qt::AutoConnection);
    timer->start();
}

void MessageInfoDlg::changeEvent(QEvent* event)
{
    // The text set by SetText belongs to the caller, who translates it.
    if (event->type() == QEvent::LanguageChange) {
        const QString text = ui->labelText->text();
        ui->retranslateUi(this);
        ui->labelText->setText(text);
    }
    QBaseDialog::changeEvent(event);
}
