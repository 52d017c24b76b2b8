#include "QTimeLineEdit.h"

#include "PopupPlacement.h"
#include "QScrollTimePopup.h"

QTimeLineEdit::QTimeLineEdit(QWidget* parent) : QLineEdit(parent), m_popup(new QScrollTimePopup(this))
{
    // The pop-up takes the keyboard: the field only displays.
    setFocusProxy(m_popup);
    connect(m_popup, &QScrollTime::timeChanged, this, &QTimeLineEdit::setTime);
    connect(m_popup, &QScrollTime::singalCancelClicked, this, &QTimeLineEdit::setTime);
}

QTime QTimeLineEdit::time() const
{
    return m_time;
}

QScrollTimePopup* QTimeLineEdit::popup() const
{
    return m_popup;
}

void QTimeLineEdit::setTime(QTime time)
{
    if (!time.isValid()) {
        m_time = QTime();
        clear();
        return;
    }
    if (time == m_time)
        return;
    m_time = time;
    setText(time.toString(QStringLiteral("HH:mm:ss")));
}

void QTimeLineEdit::mousePressEvent(QMouseEvent*)
{
    m_popup->setTime(m_time);
    m_popup->adjustSize();
    // The picker's columns begin 12 pixels in; shifted left, they stand under the field's text.
    m_popup->move(PopupPlacement::belowOrAbove(this, m_popup->size(), QPoint(-12, 0)));
    m_popup->show();
}
