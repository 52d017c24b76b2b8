#include "QRangeEditWithPopupBase.h"

#include "FrameEditFocus.h"
#include "LocalDateTime.h"
#include "PopupPlacement.h"
#include "QIconPushButton.h"
#include "QRangeCalendarPopup.h"

#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>

namespace {
const char* const kStyleSheet = "QLineEdit {border:1px solid #D3DCE6;border-radius:2px;padding-left:11px;}"
                                "QLineEdit:hover {border:1px solid #79C8E9;}"
                                "QLineEdit:pressed {border:1px solid #4695B6;}"
                                "QDateTimeEdit,QLabel {border:none;margin-top:1px;margin-bottom:1px;}";

QDateTimeEdit* plainField()
{
    auto* field = new QDateTimeEdit();
    field->setButtonSymbols(QAbstractSpinBox::NoButtons);
    return field;
}
} // namespace

QRangeEditWithPopupBase::QRangeEditWithPopupBase(QWidget* parent, bool withTime)
    : QLineEdit(parent), m_withTime(withTime)
{
    auto* layout = new QHBoxLayout();
    layout->setContentsMargins(10, 0, 10, 0);
    m_beginEdit = plainField();
    layout->addWidget(m_beginEdit);
    auto* dash = new QLabel(QStringLiteral("-"));
    dash->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("-")) + 8);
    layout->addWidget(dash);
    m_endEdit = plainField();
    layout->addWidget(m_endEdit);
    layout->addStretch();
    auto* calendarButton = new QIconPushButton();
    calendarButton->setObjectName(QStringLiteral("calendarButton"));
    calendarButton->setPicName(QStringLiteral(":/images/Calendar/calendar"));
    // The pop-up recognises its opener as the layout's last item.
    layout->addWidget(calendarButton);
    setLayout(layout);
    setStyleSheet(QString::fromLatin1(kStyleSheet));

    const QDate today = QDate::currentDate();
    if (m_withTime) {
        for (QDateTimeEdit* field : {m_beginEdit, m_endEdit})
            field->setDisplayFormat(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        m_beginEdit->setDateTime(LocalDateTime::at(today, QTime(0, 0, 0)));
        m_endEdit->setDateTime(LocalDateTime::at(today, QTime(23, 59, 59)));
    } else {
        for (QDateTimeEdit* field : {m_beginEdit, m_endEdit})
            field->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        m_beginEdit->setDate(today);
        m_endEdit->setDate(today.addDays(1));
    }

    new FrameEditFocus(this, {m_beginEdit, m_endEdit});
    initCalendarPopup();
    positionCalendarPopup();
    connect(calendarButton, &QAbstractButton::clicked, this, &QRangeEditWithPopupBase::onCalendarBtnClicked);
}

QRangeEditWithPopupBase::~QRangeEditWithPopupBase() = default;

QSize QRangeEditWithPopupBase::sizeHint() const
{
    return QSize(350, 32);
}

void QRangeEditWithPopupBase::getShortCutDateItem(QList<QListWidgetItem*>& items)
{
    m_popup->getShortCutDateItem(items);
}

void QRangeEditWithPopupBase::insertShortCutDate(const QString& text, int value)
{
    m_popup->insertShortCutDate(text, value);
}

QDateTimeEdit* QRangeEditWithPopupBase::beginEdit() const
{
    return m_beginEdit;
}

QDateTimeEdit* QRangeEditWithPopupBase::endEdit() const
{
    return m_endEdit;
}

void QRangeEditWithPopupBase::initCalendarPopup()
{
    if (!m_popup) {
        using Mode = QRangeCalendarWidget::RangeCalendarMode;
        const QFlags<Mode> mode =
            m_withTime ? QFlags<Mode>(QRangeCalendarWidget::TimeEditMode | QRangeCalendarWidget::ShortCutMode)
                       : QFlags<Mode>(QRangeCalendarWidget::ShortCutMode);
        m_popup = new QRangeCalendarPopup(this, mode);
        if (m_withTime) {
            connect(m_popup, &QRangeCalendarWidget::SignalDateTimeChanged, this,
                    [this](const QDateTime& begin, const QDateTime& end) {
                        m_beginEdit->setDateTime(begin);
                        m_endEdit->setDateTime(end);
                    });
        } else {
            connect(m_popup, &QRangeCalendarWidget::SignalDateChanged, this,
                    [this](const QDate& begin, const QDate& end) {
                        m_beginEdit->setDate(begin);
                        m_endEdit->setDate(end);
                    });
        }
    }
    // Opening on the period the box shows makes it the pop-up's reference.
    if (m_withTime)
        m_popup->setDateTime(m_beginEdit->dateTime(), m_endEdit->dateTime());
    else
        m_popup->setDate(m_beginEdit->date(), m_endEdit->date());
}

void QRangeEditWithPopupBase::positionCalendarPopup()
{
    m_popup->move(PopupPlacement::belowOrAbove(this, m_popup->sizeHint()));
}

void QRangeEditWithPopupBase::onCalendarBtnClicked()
{
    initCalendarPopup();
    positionCalendarPopup();
    m_popup->show();
}
