#include "QYearMonthCalendarDelegate.h"

#include "CalendarGrid.h"
#include "QYearMonthCalendarModel.h"
#include "QYearMonthCalendarView.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {
const QColor kOutOfRangeFill(QStringLiteral("#F2F2F2"));
const QColor kOutOfRangeText(QStringLiteral("#CCCCCC"));
const QColor kHoverFill(214, 238, 248);
constexpr int kDotSize = 4;

// Full month names where all of them fit a cell, else short names throughout:
// some languages' long names ("September") are wider than a month cell, and a
// grid mixing both forms reads as a mistake.
QString fittingMonthName(const QString& fullName, const QLocale& locale, const QFontMetricsF& metrics, int width)
{
    int month = 0;
    bool allFit = true;
    for (int m = 1; m <= 12; ++m) {
        const QString name = locale.standaloneMonthName(m, QLocale::LongFormat);
        if (name == fullName)
            month = m;
        // Fractional, as the base class lays the text out before it decides to elide.
        allFit = allFit && metrics.horizontalAdvance(name) <= width;
    }
    if (allFit || month == 0)
        return fullName;
    return locale.standaloneMonthName(month, QLocale::ShortFormat);
}
} // namespace

QYearMonthCalendarDelegate::QYearMonthCalendarDelegate(QYearMonthCalendarView* view, QObject* parent)
    : QItemDelegate(parent), m_view(view)
{
}

void QYearMonthCalendarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const
{
    if (m_view->calendarType() == CalendarGrid::Days)
        paintDay(painter, option, index);
    else
        paintMonthOrYear(painter, option, index);
}

void QYearMonthCalendarDelegate::paintDay(QPainter* painter, const QStyleOptionViewItem& option,
                                          const QModelIndex& index) const
{
    const QYearMonthCalendarModel* model = m_view->calendarModel();
    const QString text = index.data(Qt::DisplayRole).toString();
    const QDate date = model->dateForCell(index.row(), index.column());
    const QRect cell = option.rect;
    painter->save();
    // The table has already drawn its own selection panel; the cell's look is ours.
    painter->fillRect(cell, m_view->palette().brush(QPalette::Active, QPalette::Base));
    if (!date.isValid()) {
        painter->drawText(cell, Qt::AlignCenter, text);
        painter->restore();
        return;
    }
    if (!model->isInRange(date)) {
        painter->fillRect(cell, kOutOfRangeFill);
        painter->setPen(kOutOfRangeText);
        painter->drawText(cell, Qt::AlignCenter, text);
        painter->restore();
        return;
    }

    const QColor hover = m_view->textColorHover();
    const bool today = date == QDate::currentDate();
    const bool shownMonth = date.month() == model->shownMonth() && date.year() == model->shownYear();
    const bool selected = option.state & QStyle::State_Selected;
    const bool underMouse = option.state & QStyle::State_MouseOver;
    QColor textColor = option.palette.color(QPalette::Active, QPalette::Text);
    if (today) {
        QFont bold = painter->font();
        bold.setWeight(QFont::Bold);
        painter->setFont(bold);
        textColor = hover;
    }
    if (shownMonth && selected) {
        painter->fillRect(cell, hover);
        textColor = Qt::white;
    } else if (shownMonth && underMouse) {
        painter->fillRect(cell, kHoverFill);
    } else if (!shownMonth) {
        textColor = option.palette.color(QPalette::Disabled, QPalette::Text);
    }
    painter->setPen(textColor);
    QRect textBounds;
    painter->drawText(cell, Qt::AlignCenter, text, &textBounds);
    if (today) {
        const QRect dot(cell.left() + cell.width() / 2 - kDotSize / 2, textBounds.bottom() + 2, kDotSize, kDotSize);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(shownMonth && selected ? QColor(Qt::white) : hover);
        painter->drawEllipse(dot);
    }
    painter->restore();
}

void QYearMonthCalendarDelegate::paintMonthOrYear(QPainter* painter, const QStyleOptionViewItem& option,
                                                  const QModelIndex& index) const
{
    QStyleOptionViewItem plain = option;
    if (option.state & (QStyle::State_Selected | QStyle::State_MouseOver)) {
        // Highlight by text colour alone: no filled background.
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            plain.palette.setColor(group, QPalette::Text, m_view->textColorHover());
    }
    plain.state &= ~(QStyle::State_Selected | QStyle::State_MouseOver | QStyle::State_HasFocus);
    // Covers the selection panel the table drew before asking us.
    painter->fillRect(option.rect, m_view->palette().brush(QPalette::Active, QPalette::Base));
    QItemDelegate::paint(painter, plain, index);
}

void QYearMonthCalendarDelegate::drawDisplay(QPainter* painter, const QStyleOptionViewItem& option, const QRect& rect,
                                             const QString& text) const
{
    if (m_view->calendarType() != CalendarGrid::Months) {
        QItemDelegate::drawDisplay(painter, option, rect, text);
        return;
    }
    // The margins the base class keeps on both sides of the text.
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
    const QString name =
        fittingMonthName(text, m_view->locale(), QFontMetricsF(option.font), rect.width() - 2 * margin);
    QItemDelegate::drawDisplay(painter, option, rect, name);
}
