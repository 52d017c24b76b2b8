#include "QClickableLabel.h"

#include <QMouseEvent>

QClickableLabel::QClickableLabel(QWidget* parent) : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
}

QClickableLabel::~QClickableLabel() = default;

void QClickableLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        setCursor(isEnabled() ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QLabel::changeEvent(event);
}

void QClickableLabel::mousePressEvent(QMouseEvent* event)
{
    if (!isEnabled()) {
        QLabel::mousePressEvent(event);
        return;
    }
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
}

void QClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    emit clicked();
}
