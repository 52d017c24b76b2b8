#pragma once

// The three grids a calendar view can show; the numbers are those of
// QStyledCalendarWidget::CalendarType.
namespace CalendarGrid {
enum Type { Decade = 0, Months = 1, Days = 2 };
}
