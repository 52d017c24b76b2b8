#include "QPromptWidget.h"

#include "QIconPushButton.h"
#include "ScaledPicture.h"
#include "TranslucentWindow.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTimerEvent>

namespace {
constexpr int kClosingDelayMs = 300;
constexpr QSize kTipSize(320, 60);

QPromptWidget* g_currentTip = nullptr;

QString backgroundPicture(PromptTip::MsgType type)
{
    switch (type) {
    case PromptTip::Warning: return QStringLiteral(":/images/prompt_warm.png");
    case PromptTip::Failure: return QStringLiteral(":/images/prompt_fail.png");
    case PromptTip::Success: return QStringLiteral(":/images/prompt_succ.png");
    case PromptTip::Tip: break;
    }
    return QStringLiteral(":/images/prompt_tips.png");
}
} // namespace

QPromptWidget::QPromptWidget(PromptTip::MsgType type, const QString& text, QWidget* widget, const QPoint& pos,
                             int msecDisplayTime)
    : QWidget(nullptr), m_widget(widget), m_pos(pos), m_type(type)
{
    delete g_currentTip;
    g_currentTip = this;
    setupForm();
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    TranslucentWindow::enable(this);
    setStyleSheet(QStringLiteral("QLabel {color: #99A9BF;font-size:12px;}"));
    connect(ui.closeBtn, &QAbstractButton::clicked, this, &QPromptWidget::closeAndDelete);
    // The tip has no parent: a tip still up when the event loop ends goes with it.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &QObject::deleteLater);
    ui.labelText->setWordWrap(true);
    ui.labelText->setText(text);
    m_displayTimer.start(msecDisplayTime, this);
    m_closingTimer.stop();
}

QPromptWidget::~QPromptWidget()
{
    if (g_currentTip == this)
        g_currentTip = nullptr;
}

QPromptWidget* QPromptWidget::current()
{
    return g_currentTip;
}

void QPromptWidget::setupForm()
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("PromptWidget"));
    resize(kTipSize);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setMinimumSize(kTipSize);
    setMaximumSize(kTipSize);
    ui.horizontalLayout = new QHBoxLayout(this);
    ui.horizontalLayout->setSpacing(0);
    ui.horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    // The left margin leaves room for the symbol in the background picture.
    ui.horizontalLayout->setContentsMargins(55, 0, 15, 10);
    ui.labelText = new QLabel(this);
    ui.labelText->setObjectName(QStringLiteral("labelText"));
    ui.labelText->setScaledContents(false);
    ui.labelText->setWordWrap(true);
    ui.horizontalLayout->addWidget(ui.labelText);
    ui.closeBtn = new QIconPushButton(this);
    ui.closeBtn->setObjectName(QStringLiteral("closeBtn"));
    ui.closeBtn->setPicComposited(true);
    ui.horizontalLayout->addWidget(ui.closeBtn);
    setWindowTitle(QCoreApplication::translate("PromptWidget", "QPromptWidget"));
    ui.labelText->clear();
    ui.closeBtn->setPicName(QCoreApplication::translate("PromptWidget", ":/images/feedback_close.png"));
}

void QPromptWidget::showMessage(PromptTip::MsgType type, const QString& text, QWidget* widget, const QPoint& pos,
                                int msecDisplayTime)
{
    const bool same = text == ui.labelText->text() && widget == m_widget && type == m_type && pos == m_pos;
    m_widget = widget;
    m_pos = pos;
    m_type = type;
    if (same)
        return;
    ui.labelText->setWordWrap(true);
    ui.labelText->setText(text);
    m_displayTimer.start(msecDisplayTime, this);
    m_closingTimer.stop();
    placeOverAnchor();
    update();
}

void QPromptWidget::closeSoon()
{
    if (!m_closingTimer.isActive())
        m_closingTimer.start(kClosingDelayMs, this);
}

void QPromptWidget::placeOverAnchor()
{
    if (!m_widget)
        return;
    QPoint at = m_pos;
    if (at.isNull())
        at = QPoint((m_widget->width() - width()) / 2, (m_widget->height() - height()) / 2);
    move(m_widget->mapToGlobal(at));
}

void QPromptWidget::paintEvent(QPaintEvent*)
{
    const QPixmap background = ScaledPicture::load(backgroundPicture(m_type), this);
    if (background.isNull())
        return;
    QPainter painter(this);
    TranslucentWindow::fillWhereOpaque(this, painter, Qt::white);
    painter.drawPixmap(rect(), background);
}

void QPromptWidget::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_displayTimer.timerId() && event->timerId() != m_closingTimer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    closeAndDelete();
}

void QPromptWidget::closeAndDelete()
{
    m_displayTimer.stop();
    m_closingTimer.stop();
    close();
    deleteLater();
}
