#include "FrameEditFocus.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include <algorithm>
#include <limits>

FrameEditFocus::FrameEditFocus(QLineEdit* frame, const QVector<QWidget*>& fields)
    : QObject(frame), m_frame(frame), m_fields(fields)
{
    frame->setFocusPolicy(Qt::NoFocus);
    frame->setAcceptDrops(false);
    frame->setAttribute(Qt::WA_InputMethodEnabled, false);
    frame->installEventFilter(this);
}

bool FrameEditFocus::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_frame)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        focusField(nearestField(static_cast<QMouseEvent*>(event)->pos()), Qt::MouseFocusReason);
        return true;
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: event->ignore(); return true;
    case QEvent::FocusIn: {
        // Given focus in code (setFocus, a buddy): the first field takes it,
        // the last one when coming back with Shift+Tab.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (!m_fields.isEmpty())
            focusField(reason == Qt::BacktabFocusReason ? m_fields.last() : m_fields.first(), reason);
        return false;
    }
    default: return false;
    }
}

QWidget* FrameEditFocus::nearestField(const QPoint& at) const
{
    QWidget* nearest = nullptr;
    int best = std::numeric_limits<int>::max();
    for (QWidget* field : m_fields) {
        if (!field->isVisible() || !field->isEnabled())
            continue;
        const QRect area(field->mapTo(m_frame, QPoint(0, 0)), field->size());
        const int dx = std::max({area.left() - at.x(), 0, at.x() - area.right()});
        const int dy = std::max({area.top() - at.y(), 0, at.y() - area.bottom()});
        const int distance = dx * dx + dy * dy;
        if (distance < best) {
            best = distance;
            nearest = field;
        }
    }
    return nearest;
}

void FrameEditFocus::focusField(QWidget* field, Qt::FocusReason reason) const
{
    if (!field)
        return;
    field->setFocus(reason);
    // The caret goes where typing continues: after what the field holds.
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->end(false);
}
