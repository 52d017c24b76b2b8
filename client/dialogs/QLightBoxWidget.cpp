#include "QLightBoxWidget.h"

#include <QEvent>
#include <QPainter>

QLightBoxWidget::QLightBoxWidget(QWidget* parent, bool toTopWidget) : QWidget(parent)
{
    QWidget* host = parent;
    if (toTopWidget && parent && parent->parentWidget()) {
        while (host->parentWidget())
            host = host->parentWidget();
        setParent(host);
    }
    if (host)
        host->installEventFilter(this);
    hide();
}

bool QLightBoxWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (isVisible() && event->type() == QEvent::Resize)
        Refresh();
    return QObject::eventFilter(watched, event);
}

void QLightBoxWidget::showEvent(QShowEvent* event)
{
    Refresh();
    QWidget::showEvent(event);
}

void QLightBoxWidget::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect whole(0, 0, width(), height());
    painter.drawPixmap(whole, m_hostSnapshot);
    painter.setBrush(QColor(0, 0, 0, 100));
    painter.drawRect(whole);
    painter.end();
    QWidget::paintEvent(event);
}

void QLightBoxWidget::Refresh()
{
    // Hidden while the host is grabbed so that the snapshot does not hold the
    // light box itself; the flag stops the show() below from refreshing again.
    if (m_bUpdating)
        return;
    QWidget* host = parentWidget();
    if (!host)
        return;
    m_bUpdating = true;
    hide();
    resize(host->size());
    m_hostSnapshot = host->grab(QRect(QPoint(0, 0), host->size()));
    show();
    m_bUpdating = false;
}
