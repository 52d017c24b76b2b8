#include "QDateTimeEditWithPopup.h"

#include "ComboArrowGeometry.h"
#include "PopupPlacement.h"
#include "QDateTimeCalendarPopup.h"

#include <QLineEdit>
#include <QMouseEvent>

QDateTimeEditWithPopup::QDateTimeEditWithPopup(QWidget* parent) : QDateTimeEdit(parent)
{
    Init(QDateTime::currentDateTime());
}

QDateTimeEditWithPopup::QDateTimeEditWithPopup(const QDateTime& dateTime, QWidget* parent)
    : QDateTimeEdit(dateTime, parent)
{
    Init(dateTime);
}

QDateTimeEditWithPopup::QDateTimeEditWithPopup(const QDate& date, QWidget* parent) : QDateTimeEdit(date, parent)
{
    Init(dateTime());
}

QDateTimeEditWithPopup::QDateTimeEditWithPopup(const QTime& time, QWidget* parent) : QDateTimeEdit(time, parent)
{
    Init(dateTime());
}

QDateTimeEditWithPopup::~QDateTimeEditWithPopup() = default;

void QDateTimeEditWithPopup::Init(const QDateTime& value)
{
    setMouseTracking(true);
    m_popup = new QDateTimeCalendarPopup(this);
    // Lets the style draw the drop-down arrow; the pop-up itself is ours.
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    setDateTime(value);
    connect(m_popup, &QDateTimeCalendarWidget::SignalDateChanged, this, &QDateTimeEdit::setDateTime);
    setStyleSheet(QStringLiteral(
        "QDateTimeEdit {min-height:32px;min-width:200px;border:1px solid #D3DCE6;border-radius:2px;padding-left:11px;}"
        "QDateTimeEdit:hover {border:1px solid #79C8E9;}"
        "QDateTimeEdit:pressed {border:1px solid #4695B6;}"
        "QDateTimeEdit::down-arrow{image:url(:/images/Calendar/calendar.png);}"
        "QDateTimeEdit::down-arrow:hover{image:url(:/images/Calendar/calendar_hover.png);}"
        "QDateTimeEdit::down-arrow:pressed{image:url(:/images/Calendar/calendar_pressed.png);}"
        "QDateTimeEdit::down-arrow:disabled{image:url(:/images/Calendar/calendar_disabled.png);}"
        "QDateTimeEdit::drop-down{width:25px; border:0px solid red;}"));
}

QDateTimeCalendarWidget* QDateTimeEditWithPopup::popupWidget() const
{
    return m_popup;
}

void QDateTimeEditWithPopup::showEvent(QShowEvent* event)
{
    m_arrowRect = comboBoxArrowRect(this);
    QDateTimeEdit::showEvent(event);
}

void QDateTimeEditWithPopup::mouseMoveEvent(QMouseEvent* event)
{
    setCursor(m_arrowRect.contains(event->pos()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void QDateTimeEditWithPopup::mousePressEvent(QMouseEvent*)
{
    if (!QDateTimeEdit::calendarPopup())
        return;
    lineEdit()->setCursorPosition(0);
    m_popup->setDateRange(minimumDate(), maximumDate());
    m_popup->setDateTime(dateTime());
    positionCalendarPopup();
    m_popup->show();
}

void QDateTimeEditWithPopup::positionCalendarPopup()
{
    m_popup->move(PopupPlacement::belowOrAbove(this, m_popup->sizeHint()));
}
