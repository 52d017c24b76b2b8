#include "QRangeCalendarWidget.h"

#include "LocalDateTime.h"
#include "QDateLineEdit.h"
#include "QShortCutListDelegate.h"
#include "QStyledCalendarWidget.h"
#include "QTimeLineEdit.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSpacerItem>
#include <QVBoxLayout>

#include <iterator>

namespace {
const QDate kWidestMinimum = QDate::fromJulianDay(1);
const QDate kWidestMaximum = QDate(7999, 12, 31);
const QTime kBeginOfDay(0, 0, 0);
const QTime kEndOfDay(23, 59, 59);

struct Shortcut
{
    const char* text;
    int value;
};
const Shortcut kShortcuts[] = {
    {QT_TRANSLATE_NOOP("QRangeCalendarWidget", "最近三天"), 3},
    {QT_TRANSLATE_NOOP("QRangeCalendarWidget", "最近一周"), 7},
    {QT_TRANSLATE_NOOP("QRangeCalendarWidget", "最近两周"), 14},
    {QT_TRANSLATE_NOOP("QRangeCalendarWidget", "最近三周"), 21},
    {QT_TRANSLATE_NOOP("QRangeCalendarWidget", "最近一月"), 256},
    {QT_TRANSLATE_NOOP("QRangeCalendarWidget", "最近两月"), 512},
    {QT_TRANSLATE_NOOP("QRangeCalendarWidget", "最近三月"), 768},
};

const char* const kStyleSheet = "#m_beginCalendarWidget {border-left:1px solid #D1D1D1;border-top:1px solid #D1D1D1;"
                                "border-right:1px solid #EAEEFB;border-bottom:1px solid #EAEEFB;}"
                                "#m_endCalendarWidget {border-top:1px solid #D1D1D1;border-right:1px solid #D1D1D1;"
                                "border-bottom:1px solid #EAEEFB;}"
                                "#frameEditRangeCalendar {border:1px solid #D1D1D1;border-bottom:none;}"
                                "#frameButtons {border:1px solid #D1D1D1;border-top:none;}"
                                "#m_rangeCalendarClearBtn {border:1px solid #D1D1D1;border-radius: 2px;color:#333333;}"
                                "#m_rangeCalendarClearBtn:hover {background-color:#F98185;color:#FFFFFF;}"
                                "#m_rangeCalendarClearBtn:pressed {background-color:#F5656A;color:#FFFFFF;}"
                                "#m_rangeCalendarConfirmBtn {border-radius: 2px;color:white;background-color:#58BBE4;}"
                                "#m_rangeCalendarConfirmBtn:hover {background-color:#79C8E9;}"
                                "#m_rangeCalendarConfirmBtn:pressed {background-color:#4695B6;}"
                                "#m_rangeCalendarConfirmBtn:disabled {background-color:#DDF1F9}"
                                "QListWidget {border:1px solid #D1D1D1;border-left:none;padding-top:10px;}"
                                "QLineEdit{ border:1px solid #D3DCE6;padding:3px;border-radius:2px;}"
                                "QLineEdit:hover{  border:1px solid #58BBE4; }"
                                "QLineEdit:focus{ border:1px solid #4695B6; }";

// Texts are marked with QT_TRANSLATE_NOOP where they stand, so lupdate finds them.
QString tr(const char* text)
{
    return QCoreApplication::translate("QRangeCalendarWidget", text);
}

} // namespace

class QRangeCalendarWidgetForm
{
public:
    void setupUi(QWidget* widget)
    {
        if (widget->objectName().isEmpty())
            widget->setObjectName(QStringLiteral("QRangeCalendarWidget"));
        widget->resize(618, 374);
        widget->setWindowTitle(QCoreApplication::translate("QRangeCalendarWidget", "QRangeCalendarWidget"));

        horizontalLayout_6 = new QHBoxLayout(widget);
        horizontalLayout_6->setSpacing(0);
        horizontalLayout_6->setContentsMargins(0, 0, 0, 0);
        horizontalLayout_6->setSizeConstraint(QLayout::SetFixedSize);
        verticalLayout = new QVBoxLayout();
        verticalLayout->setSpacing(0);

        frameEditRangeCalendar = frame(widget, QStringLiteral("frameEditRangeCalendar"), QFrame::NoFrame);
        frameEditRangeCalendar->setLineWidth(0);
        auto* horizontalLayout_5 = new QHBoxLayout(frameEditRangeCalendar);
        horizontalLayout_5->setSpacing(6);
        horizontalLayout_5->setContentsMargins(11, 11, 11, 11);
        frame_2 = frame(frameEditRangeCalendar, QStringLiteral("frame_2"), QFrame::NoFrame);
        auto* horizontalLayout_3 = fieldRow(frame_2);
        m_beginDateLineEdit = field<QDateLineEdit>(frame_2, QStringLiteral("m_beginDateLineEdit"),
                                                   QT_TRANSLATE_NOOP("QRangeCalendarWidget", "开始日期"));
        m_beginTimeLineEdit = field<QTimeLineEdit>(frame_2, QStringLiteral("m_beginTimeLineEdit"),
                                                   QT_TRANSLATE_NOOP("QRangeCalendarWidget", "开始时间"));
        horizontalLayout_3->addWidget(m_beginDateLineEdit);
        horizontalLayout_3->addWidget(m_beginTimeLineEdit);
        frame_3 = frame(frameEditRangeCalendar, QStringLiteral("frame_3"), QFrame::NoFrame);
        auto* horizontalLayout_4 = fieldRow(frame_3);
        m_endDateLineEdit = field<QDateLineEdit>(frame_3, QStringLiteral("m_endDateLineEdit"),
                                                 QT_TRANSLATE_NOOP("QRangeCalendarWidget", "结束日期"));
        m_endTimeLineEdit = field<QTimeLineEdit>(frame_3, QStringLiteral("m_endTimeLineEdit"),
                                                 QT_TRANSLATE_NOOP("QRangeCalendarWidget", "结束时间"));
        horizontalLayout_4->addWidget(m_endDateLineEdit);
        horizontalLayout_4->addWidget(m_endTimeLineEdit);
        horizontalLayout_5->addWidget(frame_2);
        horizontalLayout_5->addItem(new QSpacerItem(0, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
        horizontalLayout_5->addWidget(frame_3);
        verticalLayout->addWidget(frameEditRangeCalendar);

        auto* horizontalLayout = new QHBoxLayout();
        horizontalLayout->setSpacing(0);
        m_beginCalendarWidget = new QStyledCalendarWidget(widget, QStyledCalendarWidget::DateCalendar);
        m_beginCalendarWidget->setObjectName(QStringLiteral("m_beginCalendarWidget"));
        m_endCalendarWidget = new QStyledCalendarWidget(widget, QStyledCalendarWidget::DateCalendar);
        m_endCalendarWidget->setObjectName(QStringLiteral("m_endCalendarWidget"));
        horizontalLayout->addWidget(m_beginCalendarWidget);
        horizontalLayout->addWidget(m_endCalendarWidget);
        verticalLayout->addLayout(horizontalLayout);

        frameButtons = frame(widget, QStringLiteral("frameButtons"), QFrame::StyledPanel);
        auto* horizontalLayout_2 = new QHBoxLayout(frameButtons);
        horizontalLayout_2->setSpacing(6);
        horizontalLayout_2->setContentsMargins(11, 11, 11, 11);
        horizontalLayout_2->addItem(new QSpacerItem(189, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
        m_rangeCalendarClearBtn =
            button(QStringLiteral("m_rangeCalendarClearBtn"), QT_TRANSLATE_NOOP("QRangeCalendarWidget", "清空"));
        m_rangeCalendarConfirmBtn =
            button(QStringLiteral("m_rangeCalendarConfirmBtn"), QT_TRANSLATE_NOOP("QRangeCalendarWidget", "确认"));
        horizontalLayout_2->addWidget(m_rangeCalendarClearBtn);
        horizontalLayout_2->addWidget(m_rangeCalendarConfirmBtn);
        verticalLayout->addWidget(frameButtons);
        horizontalLayout_6->addLayout(verticalLayout);

        listViewShortCut = new QListWidget(widget);
        listViewShortCut->setObjectName(QStringLiteral("listViewShortCut"));
        listViewShortCut->setFixedWidth(130);
        listViewShortCut->setFrameShape(QFrame::NoFrame);
        listViewShortCut->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        listViewShortCut->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        listViewShortCut->setEditTriggers(QAbstractItemView::NoEditTriggers);
        listViewShortCut->setMouseTracking(true);
        listViewShortCut->viewport()->setAttribute(Qt::WA_Hover); // the delegate shades the row under the mouse
        horizontalLayout_6->addWidget(listViewShortCut);
    }

    QHBoxLayout* horizontalLayout_6 = nullptr;
    QVBoxLayout* verticalLayout = nullptr;
    QFrame* frameEditRangeCalendar = nullptr;
    QFrame* frame_2 = nullptr;
    QFrame* frame_3 = nullptr;
    QDateLineEdit* m_beginDateLineEdit = nullptr;
    QTimeLineEdit* m_beginTimeLineEdit = nullptr;
    QDateLineEdit* m_endDateLineEdit = nullptr;
    QTimeLineEdit* m_endTimeLineEdit = nullptr;
    QStyledCalendarWidget* m_beginCalendarWidget = nullptr;
    QStyledCalendarWidget* m_endCalendarWidget = nullptr;
    QFrame* frameButtons = nullptr;
    QPushButton* m_rangeCalendarClearBtn = nullptr;
    QPushButton* m_rangeCalendarConfirmBtn = nullptr;
    QListWidget* listViewShortCut = nullptr;

private:
    static QFrame* frame(QWidget* parent, const QString& name, QFrame::Shape shape)
    {
        auto* frame = new QFrame(parent);
        frame->setObjectName(name);
        frame->setFrameShape(shape);
        frame->setFrameShadow(QFrame::Raised);
        if (shape == QFrame::NoFrame)
            frame->setLineWidth(0);
        return frame;
    }

    static QHBoxLayout* fieldRow(QFrame* frame)
    {
        auto* row = new QHBoxLayout(frame);
        row->setSpacing(6);
        row->setContentsMargins(0, 0, 0, 0);
        return row;
    }

    template <typename Field>
    static Field* field(QWidget* parent, const QString& name, const char* placeholder)
    {
        auto* edit = new Field(parent);
        edit->setObjectName(name);
        edit->setFixedSize(108, 28);
        edit->setPlaceholderText(tr(placeholder));
        return edit;
    }

public:
    // The texts again in the language now installed; the shortcuts this widget
    // put in (the owner's own may follow them) by their place and value.
    void retranslateUi()
    {
        m_beginDateLineEdit->setPlaceholderText(tr("开始日期"));
        m_beginTimeLineEdit->setPlaceholderText(tr("开始时间"));
        m_endDateLineEdit->setPlaceholderText(tr("结束日期"));
        m_endTimeLineEdit->setPlaceholderText(tr("结束时间"));
        m_rangeCalendarClearBtn->setText(tr("清空"));
        m_rangeCalendarConfirmBtn->setText(tr("确认"));
        for (int row = 0; row < int(std::size(kShortcuts)) && row < listViewShortCut->count(); ++row) {
            QListWidgetItem* item = listViewShortCut->item(row);
            if (item->data(Qt::UserRole).toInt() == kShortcuts[row].value)
                item->setText(tr(kShortcuts[row].text));
        }
    }

private:
    QPushButton* button(const QString& name, const char* text)
    {
        auto* button = new QPushButton(tr(text), frameButtons);
        button->setObjectName(name);
        button->setFixedSize(48, 32);
        return button;
    }
};

QRangeCalendarWidget::QRangeCalendarWidget(QWidget* parent, Qt::WindowFlags flags, QFlags<RangeCalendarMode> mode)
    : QWidget(parent, flags), ui(std::make_unique<QRangeCalendarWidgetForm>()), m_mode(mode),
      m_now(&QDateTime::currentDateTime)
{
    ui->setupUi(this);
    ui->m_beginCalendarWidget->setFacadeFormat(1);
    ui->m_endCalendarWidget->setFacadeFormat(2);
    setStyleSheet(QString::fromUtf8(kStyleSheet));
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);

    connect(ui->m_beginCalendarWidget, &QStyledCalendarWidget::selectionChanged, this,
            &QRangeCalendarWidget::onBeginSelectionChanged);
    connect(ui->m_endCalendarWidget, &QStyledCalendarWidget::selectionChanged, this,
            &QRangeCalendarWidget::onEndSelectionChanged);
    connect(ui->listViewShortCut, &QListWidget::clicked, this, &QRangeCalendarWidget::onShortCutItemClicked);
    connect(ui->m_rangeCalendarClearBtn, &QPushButton::clicked, this, &QRangeCalendarWidget::onClearBtnClicked);
    connect(ui->m_rangeCalendarConfirmBtn, &QPushButton::clicked, this, &QRangeCalendarWidget::onConfirmBtnClicked);
    connect(ui->m_rangeCalendarConfirmBtn, &QPushButton::clicked, this, &QRangeCalendarWidget::SignalClickConfirmBtn);
    if (hasTime()) {
        connect(ui->m_beginTimeLineEdit, &QLineEdit::textChanged, this, &QRangeCalendarWidget::checkValid);
        connect(ui->m_endTimeLineEdit, &QLineEdit::textChanged, this, &QRangeCalendarWidget::checkValid);
    }
    ui->m_beginDateLineEdit->setFocusProxy(ui->m_beginCalendarWidget);
    ui->m_endDateLineEdit->setFocusProxy(ui->m_endCalendarWidget);
    ui->m_rangeCalendarConfirmBtn->setEnabled(false);
    ui->listViewShortCut->setVisible(m_mode.testFlag(ShortCutMode));
    ui->frameEditRangeCalendar->setVisible(hasTime());
    initShortCutList();
}

QRangeCalendarWidget::~QRangeCalendarWidget() = default;

void QRangeCalendarWidget::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi();
    QWidget::changeEvent(event);
}

bool QRangeCalendarWidget::hasTime() const
{
    return m_mode.testFlag(TimeEditMode);
}

void QRangeCalendarWidget::setClock(std::function<QDateTime()> now)
{
    m_now = std::move(now);
}

void QRangeCalendarWidget::initShortCutList()
{
    ui->listViewShortCut->setItemDelegate(new QShortCutListDelegate(ui->listViewShortCut));
    for (const Shortcut& shortcut : kShortcuts)
        insertShortCutDate(tr(shortcut.text), shortcut.value);
}

void QRangeCalendarWidget::insertShortCutDate(const QString& text, int value)
{
    auto* item = new QListWidgetItem(text, ui->listViewShortCut);
    item->setData(Qt::UserRole, value);
}

void QRangeCalendarWidget::getShortCutDateItem(QList<QListWidgetItem*>& items)
{
    for (int row = 0; row < ui->listViewShortCut->count(); ++row)
        items.append(ui->listViewShortCut->item(row));
}

QDateTime QRangeCalendarWidget::beginDateTime() const
{
    return LocalDateTime::at(ui->m_beginCalendarWidget->selectedDate(), ui->m_beginTimeLineEdit->time());
}

QDateTime QRangeCalendarWidget::endDateTime() const
{
    return LocalDateTime::at(ui->m_endCalendarWidget->selectedDate(), ui->m_endTimeLineEdit->time());
}

void QRangeCalendarWidget::onBeginSelectionChanged()
{
    const QDate begin = ui->m_beginCalendarWidget->selectedDate();
    ui->m_endCalendarWidget->setMinimumDate(m_rangeMin.isValid() ? qMax(begin, m_rangeMin) : begin);
    ui->m_beginDateLineEdit->setDate(begin);
    if (hasTime() && ui->m_beginTimeLineEdit->text().isEmpty())
        ui->m_beginTimeLineEdit->setTime(kBeginOfDay);
    checkValid();
}

void QRangeCalendarWidget::onEndSelectionChanged()
{
    const QDate end = ui->m_endCalendarWidget->selectedDate();
    ui->m_beginCalendarWidget->setMaximumDate(m_rangeMax.isValid() ? qMin(end, m_rangeMax) : end);
    ui->m_endDateLineEdit->setDate(end);
    if (hasTime() && ui->m_endTimeLineEdit->text().isEmpty())
        ui->m_endTimeLineEdit->setTime(kEndOfDay);
    checkValid();
}

void QRangeCalendarWidget::checkValid()
{
    bool valid;
    if (hasTime()) {
        // An empty time field is a time not chosen yet, not midnight.
        const QDateTime begin = beginDateTime();
        const QDateTime end = endDateTime();
        valid = begin.isValid() && end.isValid() && end > begin;
    } else {
        const QDate begin = ui->m_beginCalendarWidget->selectedDate();
        const QDate end = ui->m_endCalendarWidget->selectedDate();
        valid = begin.isValid() && end.isValid() && end > begin;
    }
    ui->m_rangeCalendarConfirmBtn->setEnabled(valid);
}

void QRangeCalendarWidget::onConfirmBtnClicked()
{
    if (hasTime()) {
        const QDateTime begin = beginDateTime();
        const QDateTime end = qMax(begin, endDateTime());
        const QDateTime referenceBegin = LocalDateTime::at(m_referenceBeginDate, m_referenceBeginTime);
        const QDateTime referenceEnd = LocalDateTime::at(m_referenceEndDate, m_referenceEndTime);
        if (begin != referenceBegin || end != referenceEnd)
            emit SignalDateTimeChanged(begin, end);
        return;
    }
    const QDate begin = ui->m_beginCalendarWidget->selectedDate();
    const QDate end = qMax(begin, ui->m_endCalendarWidget->selectedDate());
    if (begin != m_referenceBeginDate || end != m_referenceEndDate)
        emit SignalDateChanged(begin, end);
}

void QRangeCalendarWidget::onClearBtnClicked()
{
    ui->m_beginCalendarWidget->clearSelection();
    ui->m_endCalendarWidget->clearSelection();
    ui->m_beginDateLineEdit->clear();
    ui->m_endDateLineEdit->clear();
    ui->m_beginTimeLineEdit->setTime(QTime());
    ui->m_endTimeLineEdit->setTime(QTime());
    ui->m_rangeCalendarConfirmBtn->setEnabled(false);
    resetDateRange();
}

void QRangeCalendarWidget::resetDateRange()
{
    const bool bounded = m_rangeMin.isValid() && m_rangeMax.isValid();
    const QDate min = bounded ? m_rangeMin : kWidestMinimum;
    const QDate max = bounded ? m_rangeMax : kWidestMaximum;
    ui->m_beginCalendarWidget->setDateRange(min, max);
    ui->m_endCalendarWidget->setDateRange(min, max);
}

void QRangeCalendarWidget::onShortCutItemClicked(QModelIndex index)
{
    const QListWidgetItem* item = ui->listViewShortCut->item(index.row());
    if (!item)
        return;
    resetDateRange();
    const int value = item->data(Qt::UserRole).toInt();
    const int days = value & 0xFF;
    const int months = (value >> 8) & 0xFF;
    const int years = (value >> 16) & 0xFF;
    const QDateTime now = m_now();
    const QDate today = now.date();
    QDate begin = today;
    if (years)
        begin = today.addYears(-years);
    if (months)
        begin = today.addMonths(-months);
    if (days)
        begin = today.addDays(-days);
    ui->m_beginCalendarWidget->setSelectedDate(begin);
    ui->m_endCalendarWidget->setSelectedDate(today);
    if (hasTime()) {
        ui->m_beginTimeLineEdit->setTime(now.time());
        ui->m_endTimeLineEdit->setTime(now.time());
    }
    onConfirmBtnClicked();
    emit SignalClickConfirmBtn();
}

void QRangeCalendarWidget::setDate(const QDate& begin, const QDate& end)
{
    // The limits the calendars put on each other belong to the old period.
    resetDateRange();
    ui->m_beginCalendarWidget->setSelectedDate(begin);
    ui->m_beginCalendarWidget->setMaximumDate(m_rangeMax.isValid() ? qMin(end, m_rangeMax) : end);
    ui->m_endCalendarWidget->setSelectedDate(end);
    ui->m_endCalendarWidget->setMinimumDate(m_rangeMin.isValid() ? qMax(begin, m_rangeMin) : begin);
    ui->m_beginDateLineEdit->setDate(begin);
    ui->m_endDateLineEdit->setDate(end);
    m_referenceBeginDate = begin;
    m_referenceEndDate = end;
    checkValid();
}

void QRangeCalendarWidget::setDateTime(const QDateTime& begin, const QDateTime& end)
{
    setDate(begin.date(), end.date());
    ui->m_beginTimeLineEdit->setTime(begin.time());
    ui->m_endTimeLineEdit->setTime(end.time());
    m_referenceBeginTime = begin.time();
    m_referenceEndTime = end.time();
    checkValid();
}

void QRangeCalendarWidget::setDateRange(const QDate& min, const QDate& max)
{
    if (!min.isValid() || !max.isValid())
        return;
    if (min == m_rangeMin && max == m_rangeMax)
        return;
    m_rangeMin = qMin(min, max);
    m_rangeMax = qMax(min, max);
    ui->m_beginCalendarWidget->setDateRange(min, max);
    ui->m_endCalendarWidget->setDateRange(min, max);
}
