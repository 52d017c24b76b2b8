#include "QDateLineEdit.h"
#include "QRangeCalendarWidget.h"
#include "QStyledCalendarWidget.h"
#include "QTimeLineEdit.h"
#include "QYearMonthCalendarModel.h"
#include "QYearMonthCalendarView.h"

#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

// Runs with TZ=America/Sao_Paulo: on 2018-11-04 its clocks went from 00:00 to 01:00.
class TestRangeCalendar : public QObject
{
    Q_OBJECT

private:
    using Mode = QRangeCalendarWidget::RangeCalendarMode;

    struct Range
    {
        explicit Range(QFlags<Mode> mode) : widget(nullptr, {}, mode)
        {
            begin()->setFirstDayOfWeek(Qt::Monday);
            end()->setFirstDayOfWeek(Qt::Monday);
            widget.show();
            exposed = QTest::qWaitForWindowExposed(&widget);
        }

        template <typename T>
        T* child(const char* name) const
        {
            return widget.findChild<T*>(QString::fromLatin1(name));
        }
        QStyledCalendarWidget* begin() const { return child<QStyledCalendarWidget>("m_beginCalendarWidget"); }
        QStyledCalendarWidget* end() const { return child<QStyledCalendarWidget>("m_endCalendarWidget"); }
        QPushButton* confirm() const { return child<QPushButton>("m_rangeCalendarConfirmBtn"); }
        QTimeLineEdit* beginTime() const { return child<QTimeLineEdit>("m_beginTimeLineEdit"); }
        QTimeLineEdit* endTime() const { return child<QTimeLineEdit>("m_endTimeLineEdit"); }
        QListWidget* shortcuts() const { return child<QListWidget>("listViewShortCut"); }

        static void clickDay(QStyledCalendarWidget* calendar, const QDate& date)
        {
            auto* view = calendar->findChild<QYearMonthCalendarView*>();
            const QModelIndex index = view->calendarModel()->indexForDate(date);
            QVERIFY2(index.isValid(), qPrintable(date.toString(Qt::ISODate)));
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
        }
        void clickShortcut(int row)
        {
            QListWidget* list = shortcuts();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
        }

        QRangeCalendarWidget widget;
        bool exposed = false;
    };

private slots:
    void dateModeNeedsMoreThanOneDay()
    {
        Range range(QRangeCalendarWidget::ShortCutMode);
        QVERIFY(range.exposed);
        QVERIFY(!range.confirm()->isEnabled());
        QVERIFY(range.child<QFrame>("frameEditRangeCalendar")->isHidden());
        range.begin()->setSelectedDate(QDate(2026, 3, 5));
        range.end()->setSelectedDate(QDate(2026, 3, 5));
        QVERIFY(!range.confirm()->isEnabled());
        range.end()->setSelectedDate(QDate(2026, 3, 6));
        QVERIFY(range.confirm()->isEnabled());
    }

    void calendarsLimitEachOther()
    {
        Range range(QRangeCalendarWidget::ShortCutMode);
        range.widget.setDate(QDate(2026, 3, 5), QDate(2026, 3, 20));
        QCOMPARE(range.begin()->maximumDate(), QDate(2026, 3, 20));
        QCOMPARE(range.end()->minimumDate(), QDate(2026, 3, 5));
        Range::clickDay(range.end(), QDate(2026, 3, 10));
        QCOMPARE(range.begin()->maximumDate(), QDate(2026, 3, 10));
        // A begin after the end cannot be picked.
        Range::clickDay(range.begin(), QDate(2026, 3, 12));
        QCOMPARE(range.begin()->selectedDate(), QDate(2026, 3, 5));
    }

    void confirmReportsOnlyChanges()
    {
        Range range(QRangeCalendarWidget::ShortCutMode);
        range.widget.setDate(QDate(2026, 3, 5), QDate(2026, 3, 20));
        QSignalSpy changed(&range.widget, &QRangeCalendarWidget::SignalDateChanged);
        QSignalSpy confirmed(&range.widget, &QRangeCalendarWidget::SignalClickConfirmBtn);
        QTest::mouseClick(range.confirm(), Qt::LeftButton);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(confirmed.count(), 1);
        Range::clickDay(range.begin(), QDate(2026, 3, 2));
        QTest::mouseClick(range.confirm(), Qt::LeftButton);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toDate(), QDate(2026, 3, 2));
        QCOMPARE(changed.at(0).at(1).toDate(), QDate(2026, 3, 20));
        QCOMPARE(confirmed.count(), 2);
    }

    void reopeningOnALaterPeriodSelectsIt()
    {
        Range range(QRangeCalendarWidget::TimeEditMode);
        range.widget.setDateTime(QDateTime(QDate(2026, 1, 1), QTime(8, 0)), QDateTime(QDate(2026, 1, 2), QTime(9, 0)));
        range.widget.setDateTime(QDateTime(QDate(2026, 3, 1), QTime(8, 0)), QDateTime(QDate(2026, 3, 2), QTime(9, 0)));
        QCOMPARE(range.begin()->selectedDate(), QDate(2026, 3, 1));
        QCOMPARE(range.end()->selectedDate(), QDate(2026, 3, 2));
        QCOMPARE(range.child<QDateLineEdit>("m_beginDateLineEdit")->text(), QStringLiteral("2026-03-01"));
        QCOMPARE(range.beginTime()->text(), QStringLiteral("08:00:00"));
        QVERIFY(range.confirm()->isEnabled());
        range.widget.setDateTime(QDateTime(QDate(2025, 6, 1), QTime(8, 0)), QDateTime(QDate(2025, 6, 9), QTime(9, 0)));
        QCOMPARE(range.end()->selectedDate(), QDate(2025, 6, 9));
        QCOMPARE(range.end()->monthShown(), 6);
    }

    void timeModeFillsOnlyEmptyTimes()
    {
        Range range(QRangeCalendarWidget::TimeEditMode);
        QVERIFY(range.child<QFrame>("frameEditRangeCalendar")->isVisible());
        QVERIFY(range.shortcuts()->isHidden());
        range.begin()->setSelectedDate(QDate(2026, 3, 5));
        range.end()->setSelectedDate(QDate(2026, 3, 6));
        QCOMPARE(range.beginTime()->text(), QStringLiteral("00:00:00"));
        QCOMPARE(range.endTime()->text(), QStringLiteral("23:59:59"));
        range.beginTime()->setTime(QTime(7, 30, 0));
        range.begin()->setSelectedDate(QDate(2026, 3, 4));
        QCOMPARE(range.beginTime()->text(), QStringLiteral("07:30:00"));
        QVERIFY(range.confirm()->isEnabled());
        range.endTime()->setTime(QTime());
        QVERIFY(!range.confirm()->isEnabled()); // an empty time is not midnight
    }

    void clearEmptiesAndLiftsLimits()
    {
        Range range(QRangeCalendarWidget::TimeEditMode);
        range.widget.setDateTime(QDateTime(QDate(2026, 3, 5), QTime(8, 0)), QDateTime(QDate(2026, 3, 9), QTime(9, 0)));
        QSignalSpy changed(&range.widget, &QRangeCalendarWidget::SignalDateTimeChanged);
        QTest::mouseClick(range.child<QPushButton>("m_rangeCalendarClearBtn"), Qt::LeftButton);
        QVERIFY(range.begin()->selectedDate().isNull());
        QVERIFY(range.beginTime()->text().isEmpty());
        QVERIFY(range.child<QDateLineEdit>("m_endDateLineEdit")->text().isEmpty());
        QVERIFY(!range.confirm()->isEnabled());
        QCOMPARE(range.begin()->maximumDate(), QDate(7999, 12, 31));
        QCOMPARE(range.end()->minimumDate(), QDate::fromJulianDay(1));
        QCOMPARE(changed.count(), 0);
    }

    void shortcuts_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("row");
        QTest::addColumn<QDateTime>("begin");
        QTest::newRow("last three days") << QDateTime(QDate(2026, 3, 31), QTime(10, 20, 30)) << 0
                                         << QDateTime(QDate(2026, 3, 28), QTime(10, 20, 30));
        QTest::newRow("last week") << QDateTime(QDate(2026, 1, 3), QTime(10, 0)) << 1
                                   << QDateTime(QDate(2025, 12, 27), QTime(10, 0));
        QTest::newRow("last month from the 31st")
            << QDateTime(QDate(2026, 3, 31), QTime(10, 0)) << 4 << QDateTime(QDate(2026, 2, 28), QTime(10, 0));
        QTest::newRow("last month in a leap year")
            << QDateTime(QDate(2024, 3, 31), QTime(10, 0)) << 4 << QDateTime(QDate(2024, 2, 29), QTime(10, 0));
        QTest::newRow("last three months")
            << QDateTime(QDate(2026, 5, 31), QTime(10, 0)) << 6 << QDateTime(QDate(2026, 2, 28), QTime(10, 0));
        // Three days before 7 November 2018, 00:30 did not exist: the clocks skipped to 01:00.
        QTest::newRow("into a midnight clock change")
            << QDateTime(QDate(2018, 11, 7), QTime(0, 30)) << 0 << QDateTime(QDate(2018, 11, 4), QTime(1, 0));
    }

    void shortcuts()
    {
        QFETCH(QDateTime, now);
        QFETCH(int, row);
        QFETCH(QDateTime, begin);
        Range range(QFlags<Mode>(QRangeCalendarWidget::TimeEditMode | QRangeCalendarWidget::ShortCutMode));
        range.widget.setClock([now] { return now; });
        QSignalSpy changed(&range.widget, &QRangeCalendarWidget::SignalDateTimeChanged);
        QSignalSpy confirmed(&range.widget, &QRangeCalendarWidget::SignalClickConfirmBtn);
        range.clickShortcut(row);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(confirmed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toDateTime(), begin);
        QCOMPARE(changed.at(0).at(1).toDateTime(), now);
    }

    void midnightThatDidNotExist()
    {
        Range range(QRangeCalendarWidget::TimeEditMode);
        range.widget.setDateTime(QDateTime(QDate(2018, 11, 2), QTime(8, 0)),
                                 QDateTime(QDate(2018, 11, 6), QTime(9, 0)));
        QTest::mouseClick(range.child<QPushButton>("m_rangeCalendarClearBtn"), Qt::LeftButton);
        range.begin()->setSelectedDate(QDate(2018, 11, 4));
        range.end()->setSelectedDate(QDate(2018, 11, 5));
        QCOMPARE(range.beginTime()->text(), QStringLiteral("00:00:00"));
        QVERIFY(range.confirm()->isEnabled());
        QSignalSpy changed(&range.widget, &QRangeCalendarWidget::SignalDateTimeChanged);
        QTest::mouseClick(range.confirm(), Qt::LeftButton);
        QCOMPARE(changed.count(), 1);
        const QDateTime begin = changed.at(0).at(0).toDateTime();
        QVERIFY(begin.isValid());
        QCOMPARE(begin, QDateTime(QDate(2018, 11, 4), QTime(1, 0)));
    }

    void shortcutList()
    {
        Range range(QRangeCalendarWidget::ShortCutMode);
        QList<QListWidgetItem*> items;
        range.widget.getShortCutDateItem(items);
        QStringList texts;
        for (const QListWidgetItem* item : items)
            texts << item->text();
        QCOMPARE(texts,
                 QStringList({"最近三天", "最近一周", "最近两周", "最近三周", "最近一月", "最近两月", "最近三月"}));
        QCOMPARE(items.at(6)->data(Qt::UserRole).toInt(), 768);
        range.widget.insertShortCutDate(QStringLiteral("最近一年"), 1 << 16);
        items.clear();
        range.widget.getShortCutDateItem(items);
        QCOMPARE(items.size(), 8);
        QCOMPARE(range.shortcuts()->visualItemRect(items.at(0)).height(), 32);
    }

    void dateRangeLimitsBothCalendars()
    {
        Range range(QRangeCalendarWidget::ShortCutMode);
        range.widget.setDateRange(QDate(2026, 1, 1), QDate());
        QCOMPARE(range.begin()->minimumDate(), QDate::fromJulianDay(1));
        range.widget.setDateRange(QDate(2026, 6, 30), QDate(2026, 1, 1));
        QCOMPARE(range.begin()->minimumDate(), QDate(2026, 1, 1));
        QCOMPARE(range.end()->maximumDate(), QDate(2026, 6, 30));
    }
};

QTEST_MAIN(TestRangeCalendar)
#include "test_range_calendar.moc"
