#include "BusyWaitDialog.h"

#include "ui_BusyWaitDialog.h"

#include <QPainter>
#include <QStyleOption>
#include <QTimer>

BusyWaitDialog::BusyWaitDialog(QWidget* parent)
    : QDialog(parent, Qt::WindowFlags()), ui(std::make_unique<Ui::BusyWaitDialog>())
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::CoverWindow);
    setAttribute(Qt::WA_TranslucentBackground);
    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(kFrameIntervalMs);
    m_pTimer->setSingleShot(false);
    connect(m_pTimer, &QTimer::timeout, this, &BusyWaitDialog::UpdateStatePic, Qt::AutoConnection);
    // The animation runs only while the overlay is visible (see showEvent):
    // a hidden one, held for the owner's whole life, costs no wake-ups.
    ShowFrame(0);
}

BusyWaitDialog::~BusyWaitDialog()
{
    if (m_pTimer && m_pTimer->isActive()) {
        m_pTimer->stop();
        delete m_pTimer;
    }
}

void BusyWaitDialog::SetTipText(const QString& text)
{
    ui->labelTip->setText(text);
}

bool BusyWaitDialog::IsAnimating() const
{
    return m_pTimer->isActive();
}

void BusyWaitDialog::UpdateStatePic()
{
    ShowFrame((m_nFrame + 1) % kFrameCount);
}

void BusyWaitDialog::ShowFrame(int frame)
{
    m_nFrame = frame;
    ui->labelPic->setPixmap(QPixmap(QStringLiteral(":images/loading/loading-white%1").arg(frame)));
}

void BusyWaitDialog::showEvent(QShowEvent* event)
{
    m_pTimer->start();
    QDialog::showEvent(event);
}

void BusyWaitDialog::hideEvent(QHideEvent* event)
{
    m_pTimer->stop();
    QDialog::hideEvent(event);
}

void BusyWaitDialog::paintEvent(QPaintEvent* event)
{
    // A translucent window does not get its style-sheet background from
    // QDialog: the dark veil of the form is drawn here.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    painter.end();
    QDialog::paintEvent(event);
}
