#include "QClickableLabel.h"

#include <QMouseEvent>

QClickableLabel::QClickableLabel(QWidget* parent) : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
}

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
        m_bPressed = true;
}

void QClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    // A press that began on the label counts wherever the pointer is let go.
    if (event->button() == Qt::LeftButton && m_bPressed) {
        m_bPressed = false;
        emit clicked();
    }
}
