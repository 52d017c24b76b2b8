#pragma once

#include <QColor>
#include <QDate>
#include <QTableView>

class QYearMonthCalendarModel;

// The table that shows a calendar grid: days, months or the years of a decade.
class QYearMonthCalendarView : public QTableView
{
    Q_OBJECT
    Q_PROPERTY(QColor textColorHover READ textColorHover WRITE setTextColorHover)

public:
    explicit QYearMonthCalendarView(QWidget* parent = nullptr);

    int calendarType() const;
    // Sets the type without refreshing: for the owner right after construction.
    void initCalendarType(int type);
    QColor textColorHover() const;
    void setTextColorHover(const QColor& color);
    QYearMonthCalendarModel* calendarModel() const;
    QSize viewportSizeHint() const override;

public slots:
    void slotCalendarChanged(int oldType, int newType);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QDate handleMouseEvent(QMouseEvent* event) const;
    // Days outside the range, and the weekday row, take no mouse at all.
    bool swallows(QMouseEvent* event) const;

    QColor m_textColorHover = QColor(88, 187, 228);
    int m_calendarType;
    QYearMonthCalendarModel* m_model;
};
