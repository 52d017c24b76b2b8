#include "QStyledCalendarWidget.h"

#include "QClickableLabel.h"
#include "QIconPushButton.h"
#include "QYearMonthCalendarModel.h"
#include "QYearMonthCalendarView.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLocale>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {
constexpr int kNavigationBarHeight = 32;
const QColor kDefaultHover(88, 187, 228);
} // namespace

// The widgets of the calendar, built as a designer form would build them.
class QStyledCalendarWidgetForm
{
public:
    void setupUi(QFrame* calendar)
    {
        if (calendar->objectName().isEmpty())
            calendar->setObjectName(QStringLiteral("QStyledCalendarWidget"));
        calendar->resize(305, 299);
        calendar->setWindowTitle(QCoreApplication::translate("QStyledCalendarWidget", "QStyledCalendarWidget"));

        verticalLayout = new QVBoxLayout(calendar);
        verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
        verticalLayout->setSpacing(0);
        verticalLayout->setContentsMargins(0, 0, 0, 0);

        m_pNavBarFrame = new QFrame(calendar);
        m_pNavBarFrame->setObjectName(QStringLiteral("m_pNavBarFrame"));
        m_pNavBarFrame->setFrameShape(QFrame::NoFrame);
        m_pNavBarFrame->setFrameShadow(QFrame::Raised);
        m_pNavBarFrame->setLineWidth(0);
        m_pNavBarFrame->setFixedHeight(kNavigationBarHeight);
        horizontalLayout = new QHBoxLayout(m_pNavBarFrame);
        horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
        horizontalLayout->setSpacing(0);
        horizontalLayout->setContentsMargins(0, 0, 0, 0);

        prevYearBtn = arrow(QStringLiteral("prevYearBtn"), QStringLiteral(":/images/Calendar/yp"));
        prevMonthBtn = arrow(QStringLiteral("prevMonthBtn"), QStringLiteral(":/images/Calendar/mp"));
        horizontalLayout->addWidget(prevYearBtn);
        horizontalLayout->addWidget(prevMonthBtn);

        frame = new QFrame(m_pNavBarFrame);
        frame->setObjectName(QStringLiteral("frame"));
        frame->setFrameShape(QFrame::StyledPanel);
        frame->setFrameShadow(QFrame::Raised);
        horizontalLayout_2 = new QHBoxLayout(frame);
        horizontalLayout_2->setObjectName(QStringLiteral("horizontalLayout_2"));
        horizontalLayout_2->setSpacing(2);
        horizontalLayout_2->setContentsMargins(0, 0, 0, 0);
        horizontalLayout_2->addItem(new QSpacerItem(0, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
        labelYear = label(QStringLiteral("labelYear"), 40);
        labelMonth = label(QStringLiteral("labelMonth"), 25);
        horizontalLayout_2->addWidget(labelYear);
        horizontalLayout_2->addWidget(labelMonth);
        horizontalLayout_2->addItem(new QSpacerItem(0, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
        horizontalLayout->addWidget(frame);

        nextMonthBtn = arrow(QStringLiteral("nextMonthBtn"), QStringLiteral(":/images/Calendar/mn"));
        nextYearBtn = arrow(QStringLiteral("nextYearBtn"), QStringLiteral(":/images/Calendar/yn"));
        horizontalLayout->addWidget(nextMonthBtn);
        horizontalLayout->addWidget(nextYearBtn);
        verticalLayout->addWidget(m_pNavBarFrame);

        m_pCalendarView = new QYearMonthCalendarView(calendar);
        m_pCalendarView->setObjectName(QStringLiteral("m_pCalendarView"));
        m_pCalendarView->setFrameShape(QFrame::NoFrame);
        verticalLayout->addWidget(m_pCalendarView);
    }

    QVBoxLayout* verticalLayout = nullptr;
    QFrame* m_pNavBarFrame = nullptr;
    QHBoxLayout* horizontalLayout = nullptr;
    QIconPushButton* prevYearBtn = nullptr;
    QIconPushButton* prevMonthBtn = nullptr;
    QFrame* frame = nullptr;
    QHBoxLayout* horizontalLayout_2 = nullptr;
    QClickableLabel* labelYear = nullptr;
    QClickableLabel* labelMonth = nullptr;
    QIconPushButton* nextMonthBtn = nullptr;
    QIconPushButton* nextYearBtn = nullptr;
    QYearMonthCalendarView* m_pCalendarView = nullptr;

private:
    QIconPushButton* arrow(const QString& name, const QString& picture)
    {
        auto* button = new QIconPushButton(m_pNavBarFrame);
        button->setObjectName(name);
        button->setPicName(picture);
        return button;
    }

    QClickableLabel* label(const QString& name, int minimumWidth)
    {
        auto* label = new QClickableLabel(frame);
        label->setObjectName(name);
        label->setMinimumWidth(minimumWidth);
        label->setAlignment(Qt::AlignCenter);
        return label;
    }
};

class QStyledCalendarWidgetPrivate : public QObject
{
public:
    QStyledCalendarWidgetPrivate(QStyledCalendarWidget* owner, QStyledCalendarWidget::CalendarType type)
        : q(owner), calendarType(type)
    {
    }

    // Makes the selected date's cell, if the grid has one, the current and selected cell.
    void markSelection()
    {
        selectionModel->clear();
        const QModelIndex index = model->indexForDate(model->selectedDate());
        if (index.isValid())
            selectionModel->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    }

    QStyledCalendarWidget* q;
    QColor hoverColor;
    QYearMonthCalendarModel* model = nullptr;
    QYearMonthCalendarView* view = nullptr;
    QStyledCalendarWidget::CalendarType calendarType;
    bool switchMode = true;
    QItemSelectionModel* selectionModel = nullptr;
    QStyledCalendarWidget::FacadeFormat facadeFormat = 0;
};

QStyledCalendarWidget::QStyledCalendarWidget(QWidget* parent, CalendarType type)
    : QFrame(parent), ui(std::make_unique<QStyledCalendarWidgetForm>()),
      d(std::make_unique<QStyledCalendarWidgetPrivate>(this, type))
{
    ui->setupUi(this);
    d->view = ui->m_pCalendarView;
    d->view->initCalendarType(type);
    d->model = d->view->calendarModel();
    d->selectionModel = d->view->selectionModel();
    d->markSelection();

    connect(ui->labelYear, &QClickableLabel::clicked, this, &QStyledCalendarWidget::_q_YearLabelClicked);
    connect(ui->labelMonth, &QClickableLabel::clicked, this, &QStyledCalendarWidget::_q_MonthLabelClicked);
    connect(d->view, &QAbstractItemView::clicked, this, &QStyledCalendarWidget::_q_cellClicked);
    connect(this, &QStyledCalendarWidget::calendarTypeChanged, d->view, &QYearMonthCalendarView::slotCalendarChanged);
    connect(ui->prevMonthBtn, &QAbstractButton::clicked, this, &QStyledCalendarWidget::_q_prevMonthClicked);
    connect(ui->nextMonthBtn, &QAbstractButton::clicked, this, &QStyledCalendarWidget::_q_nextMonthClicked);
    connect(ui->prevYearBtn, &QAbstractButton::clicked, this, &QStyledCalendarWidget::_q_prevYearClicked);
    connect(ui->nextYearBtn, &QAbstractButton::clicked, this, &QStyledCalendarWidget::_q_nextYearClicked);

    ui->m_pNavBarFrame->installEventFilter(this);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setContentsMargins(9, 8, 9, 8);
    setTextColorHover(kDefaultHover);
    // The default locale follows the program's language; a parent made before
    // the last switch still holds the old one, which a calendar made now must
    // not take over.
    setLocale(QLocale());
    updateNavigationBar();
}

QStyledCalendarWidget::~QStyledCalendarWidget() = default;

QDate QStyledCalendarWidget::selectedDate() const
{
    return d->model->selectedDate();
}
QDate QStyledCalendarWidget::minimumDate() const
{
    return d->model->minimumDate();
}
QDate QStyledCalendarWidget::maximumDate() const
{
    return d->model->maximumDate();
}
int QStyledCalendarWidget::yearShown() const
{
    return d->model->shownYear();
}
int QStyledCalendarWidget::monthShown() const
{
    return d->model->shownMonth();
}
Qt::DayOfWeek QStyledCalendarWidget::firstDayOfWeek() const
{
    return d->model->firstDayOfWeek();
}
bool QStyledCalendarWidget::isGridVisible() const
{
    return d->view->showGrid();
}
QStyledCalendarWidget::CalendarType QStyledCalendarWidget::calendarType() const
{
    return d->calendarType;
}
bool QStyledCalendarWidget::isSwitchMode() const
{
    return d->switchMode;
}
QStyledCalendarWidget::FacadeFormat QStyledCalendarWidget::facadeFormat() const
{
    return d->facadeFormat;
}
void QStyledCalendarWidget::setFacadeFormat(FacadeFormat format)
{
    d->facadeFormat = format;
}
QColor QStyledCalendarWidget::textColorHover() const
{
    return d->hoverColor;
}

void QStyledCalendarWidget::clearSelection()
{
    d->model->setSelectedDate(QDate());
    d->selectionModel->clear();
}

void QStyledCalendarWidget::setSelectedDate(QDate date)
{
    if (!date.isValid())
        return;
    const QDate before = d->model->selectedDate();
    const QDate currentCellDate =
        d->model->dateForCell(d->view->currentIndex().row(), d->view->currentIndex().column());
    if (date == before && date == currentCellDate)
        return;
    d->model->setSelectedDate(date);
    showMonthOf(d->model->selectedDate());
    d->markSelection();
    if (d->model->selectedDate() != before)
        emit selectionChanged();
}

void QStyledCalendarWidget::setMinimumDate(const QDate& date)
{
    if (!date.isValid() || date == d->model->minimumDate())
        return;
    const QDate before = d->model->selectedDate();
    d->model->setMinimumDate(date);
    followMovedSelection(before);
}

void QStyledCalendarWidget::setMaximumDate(const QDate& date)
{
    if (!date.isValid() || date == d->model->maximumDate())
        return;
    const QDate before = d->model->selectedDate();
    d->model->setMaximumDate(date);
    followMovedSelection(before);
}

void QStyledCalendarWidget::setDateRange(QDate min, QDate max)
{
    if (!min.isValid() || !max.isValid())
        return;
    if (min == d->model->minimumDate() && max == d->model->maximumDate())
        return;
    const QDate before = d->model->selectedDate();
    d->model->setRange(min, max);
    followMovedSelection(before);
}

void QStyledCalendarWidget::followMovedSelection(const QDate& before)
{
    if (d->model->selectedDate() == before)
        return;
    showMonthOf(d->model->selectedDate());
    d->markSelection();
    emit selectionChanged();
}

void QStyledCalendarWidget::setFirstDayOfWeek(Qt::DayOfWeek day)
{
    if (day == d->model->firstDayOfWeek())
        return;
    d->model->setFirstDayOfWeek(day);
    d->markSelection();
    adjustToolButtonGeometry();
}

void QStyledCalendarWidget::setGridVisible(bool show)
{
    d->view->setShowGrid(show);
    d->view->viewport()->update();
    d->view->updateGeometry();
}

void QStyledCalendarWidget::setCalendarType(CalendarType type)
{
    if (type == d->calendarType)
        return;
    const CalendarType before = d->calendarType;
    d->calendarType = type;
    emit calendarTypeChanged(before, type);
    d->markSelection();
    updateNavigationBar();
}

void QStyledCalendarWidget::setSwitchModeEnabled(bool enabled)
{
    d->switchMode = enabled;
    ui->labelYear->setEnabled(enabled);
    ui->labelMonth->setEnabled(enabled);
}

void QStyledCalendarWidget::setTextColorHover(const QColor& color)
{
    if (color == d->hoverColor)
        return;
    d->hoverColor = color;
    d->view->setTextColorHover(color);
    const QString sheet = QStringLiteral("QLabel{color:#666666;font-size:12px;font-family:\"微软雅黑\";} "
                                         "QLabel:enabled:hover{color:%1;}")
                              .arg(color.name());
    ui->labelYear->setStyleSheet(sheet);
    ui->labelMonth->setStyleSheet(sheet);
}

QSize QStyledCalendarWidget::minimumSizeHint() const
{
    const QSize grid = d->view->sizeHint();
    const QMargins margins = contentsMargins();
    return QSize(grid.width() + margins.left() + margins.right(),
                 grid.height() + ui->m_pNavBarFrame->height() + margins.top() + margins.bottom());
}

QSize QStyledCalendarWidget::sizeHint() const
{
    return minimumSizeHint();
}

bool QStyledCalendarWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->m_pNavBarFrame) {
        if (event->type() == QEvent::Resize)
            QCoreApplication::postEvent(ui->m_pNavBarFrame, new QEvent(QEvent::LayoutRequest));
        else if (event->type() == QEvent::LayoutRequest)
            adjustToolButtonGeometry();
    }
    return QFrame::eventFilter(watched, event);
}

void QStyledCalendarWidget::_q_slotChangeDate(QDate date)
{
    _q_slotChangeDate(date, true);
}

void QStyledCalendarWidget::_q_slotChangeDate(QDate date, bool changeMonth)
{
    const QDate before = d->model->selectedDate();
    d->model->setSelectedDate(date);
    const QDate after = d->model->selectedDate();
    if (changeMonth)
        showMonthOf(after);
    d->markSelection();
    if (after != before)
        emit selectionChanged();
}

void QStyledCalendarWidget::_q_prevMonthClicked()
{
    const int month = d->model->shownMonth();
    const int year = d->model->shownYear();
    if (month == 1)
        showYearMonth(year - 1, 12);
    else
        showYearMonth(year, month - 1);
}

void QStyledCalendarWidget::_q_nextMonthClicked()
{
    const int month = d->model->shownMonth();
    const int year = d->model->shownYear();
    if (month == 12)
        showYearMonth(year + 1, 1);
    else
        showYearMonth(year, month + 1);
}

void QStyledCalendarWidget::_q_prevYearClicked()
{
    const int step = d->calendarType == YearCalendar ? 10 : 1;
    showYearMonth(d->model->shownYear() - step, d->model->shownMonth());
}

void QStyledCalendarWidget::_q_nextYearClicked()
{
    const int step = d->calendarType == YearCalendar ? 10 : 1;
    showYearMonth(d->model->shownYear() + step, d->model->shownMonth());
}

void QStyledCalendarWidget::_q_YearLabelClicked()
{
    setCalendarType(YearCalendar);
}

void QStyledCalendarWidget::_q_MonthLabelClicked()
{
    setCalendarType(MonthCalendar);
}

void QStyledCalendarWidget::_q_cellClicked(const QModelIndex& index)
{
    // Empty decade cells and days outside the range take no clicks, and a year
    // or month wholly outside the range is never handed on.
    if (!index.isValid() || !(index.flags() & Qt::ItemIsEnabled))
        return;
    const QDate min = d->model->minimumDate();
    const QDate max = d->model->maximumDate();
    switch (d->calendarType) {
    case YearCalendar: {
        const int year = d->model->yearForCell(index.row(), index.column());
        if (year < min.year() || year > max.year())
            return;
        if (!d->switchMode) {
            emit yearSubmited(year);
            return;
        }
        showYearMonth(year, d->model->shownMonth());
        setCalendarType(MonthCalendar);
        return;
    }
    case MonthCalendar: {
        const int year = d->model->shownYear();
        const int month = index.row() * 4 + index.column() + 1;
        const QDate first(year, month, 1);
        if (first.addMonths(1).addDays(-1) < min || first > max)
            return;
        if (!d->switchMode) {
            emit yearMonthSubmited(year, month);
            return;
        }
        showYearMonth(year, month);
        setCalendarType(DateCalendar);
        return;
    }
    case DateCalendar: {
        const QDate date = d->model->dateForCell(index.row(), index.column());
        if (!date.isValid() || !d->model->isInRange(date))
            return;
        _q_slotChangeDate(date, true);
        emit dateSubmited(date);
        return;
    }
    }
}

void QStyledCalendarWidget::showYearMonth(int year, int month)
{
    if (year != d->model->shownYear() || month != d->model->shownMonth())
        d->model->setShownYearMonth(year, month);
    d->markSelection();
    updateNavigationBar();
}

void QStyledCalendarWidget::showMonthOf(const QDate& date)
{
    if (!date.isValid())
        return;
    if (date.year() != d->model->shownYear() || date.month() != d->model->shownMonth())
        showYearMonth(date.year(), date.month());
}

void QStyledCalendarWidget::updateNavigationBar()
{
    const int year = d->model->shownYear();
    const bool days = d->calendarType == DateCalendar;
    ui->labelYear->setVisible(true);
    ui->labelMonth->setVisible(days);
    ui->prevMonthBtn->setVisible(days);
    ui->nextMonthBtn->setVisible(days);
    // Year and month are written the way the calendar's language writes them:
    // "2026年" and "12月" in Chinese, "2026" and "Dec" in English.
    const QLocale calendarLocale = locale();
    const bool chinese = calendarLocale.language() == QLocale::Chinese;
    const auto yearText = [chinese](int y) { return chinese ? QStringLiteral("%1年").arg(y) : QString::number(y); };
    switch (d->calendarType) {
    case DateCalendar:
        ui->labelYear->setText(yearText(year));
        ui->labelMonth->setText(calendarLocale.standaloneMonthName(d->model->shownMonth(), QLocale::ShortFormat));
        break;
    case MonthCalendar: ui->labelYear->setText(yearText(year)); break;
    case YearCalendar: {
        const int decade = year / 10 * 10;
        ui->labelYear->setText(yearText(decade) + QLatin1Char('-') + yearText(decade + 9));
        break;
    }
    }
}

void QStyledCalendarWidget::changeEvent(QEvent* event)
{
    // The program sets the default locale with its language; a calendar made
    // before the switch takes it over here. setLocale passes it on to the grid.
    if (event->type() == QEvent::LanguageChange && locale() != QLocale())
        setLocale(QLocale());
    if (event->type() == QEvent::LocaleChange)
        updateNavigationBar();
    QFrame::changeEvent(event);
}

void QStyledCalendarWidget::adjustToolButtonGeometry()
{
    // Over the day grid the arrows stand above the first two and last two weekday columns.
    if (d->calendarType != DateCalendar)
        return;
    QFrame* bar = ui->m_pNavBarFrame;
    const std::pair<QIconPushButton*, int> arrows[] = {
        {ui->prevYearBtn, 0}, {ui->prevMonthBtn, 1}, {ui->nextMonthBtn, 5}, {ui->nextYearBtn, 6}};
    for (const auto& [button, column] : arrows) {
        const QRect cell = d->view->visualRect(d->model->index(0, column));
        const QPoint centre = bar->mapFrom(this, d->view->viewport()->mapTo(this, cell.center()));
        button->move(centre.x() - button->width() / 2, (bar->height() - button->height()) / 2);
        button->raise();
    }
}
