#include "QClickableLabel.h"
#include "QIconPushButton.h"
#include "QStyledCalendarWidget.h"
#include "QYearMonthCalendarModel.h"
#include "QYearMonthCalendarView.h"

#include <QSignalSpy>
#include <QtTest>

class TestStyledCalendar : public QObject
{
    Q_OBJECT

private:
    struct Calendar
    {
        explicit Calendar(QStyledCalendarWidget::CalendarType type = QStyledCalendarWidget::DateCalendar)
            : widget(nullptr, type)
        {
            widget.setFirstDayOfWeek(Qt::Monday);
            widget.show();
            exposed = QTest::qWaitForWindowExposed(&widget);
        }

        QYearMonthCalendarView* view() const
        {
            return widget.findChild<QYearMonthCalendarView*>(QStringLiteral("m_pCalendarView"));
        }
        QString label(const char* name) const
        {
            return widget.findChild<QClickableLabel*>(QString::fromLatin1(name))->text();
        }
        void clickLabel(const char* name)
        {
            QTest::mouseClick(widget.findChild<QClickableLabel*>(QString::fromLatin1(name)), Qt::LeftButton);
        }
        void clickArrow(const char* name)
        {
            QTest::mouseClick(widget.findChild<QIconPushButton*>(QString::fromLatin1(name)), Qt::LeftButton, {},
                              QPoint(3, 3));
        }
        void clickCell(int row, int column)
        {
            QYearMonthCalendarView* grid = view();
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(grid->model()->index(row, column)).center());
        }
        void clickDate(const QDate& date)
        {
            const QModelIndex index = view()->calendarModel()->indexForDate(date);
            QVERIFY(index.isValid());
            clickCell(index.row(), index.column());
        }
        void show(int year, int month) { view()->calendarModel()->setShownYearMonth(year, month); }

        QStyledCalendarWidget widget;
        bool exposed = false;
    };

private slots:
    void initTestCase()
    {
        // The texts below are the Chinese ones; the program sets the default
        // locale with its language.
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    }

    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    // Year and month follow a language switch made while the calendar is up.
    void namesFollowTheLanguage_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("chineseYear");
        QTest::addColumn<QString>("chineseMonth");
        QTest::addColumn<QString>("englishYear");
        QTest::addColumn<QString>("englishMonth");
        QTest::newRow("days") << int(QStyledCalendarWidget::DateCalendar) << "2026年"
                              << "12月"
                              << "2026"
                              << "Dec";
        QTest::newRow("decade") << int(QStyledCalendarWidget::YearCalendar) << "2020年-2029年" << QString()
                                << "2020-2029" << QString();
    }

    void namesFollowTheLanguage()
    {
        QFETCH(int, type);
        QFETCH(QString, chineseYear);
        QFETCH(QString, chineseMonth);
        QFETCH(QString, englishYear);
        QFETCH(QString, englishMonth);
        Calendar calendar{QStyledCalendarWidget::CalendarType(type)};
        calendar.show(2026, 12);
        calendar.widget.setSelectedDate(QDate(2026, 12, 3));
        const auto switchTo = [&](QLocale::Language language, QLocale::Country country) {
            QLocale::setDefault(QLocale(language, country));
            QEvent change(QEvent::LanguageChange);
            QCoreApplication::sendEvent(&calendar.widget, &change);
        };
        const auto month = [&] { return chineseMonth.isEmpty() ? QString() : calendar.label("labelMonth"); };
        QCOMPARE(calendar.label("labelYear"), chineseYear);
        QCOMPARE(month(), chineseMonth);
        switchTo(QLocale::English, QLocale::UnitedStates);
        QCOMPARE(calendar.label("labelYear"), englishYear);
        QCOMPARE(month(), englishMonth);
        QCOMPARE(calendar.view()->locale().language(), QLocale::English);
        switchTo(QLocale::Chinese, QLocale::China);
        QCOMPARE(calendar.label("labelYear"), chineseYear);
        QCOMPARE(month(), chineseMonth);
    }

    void madeAfterASwitchUnderAnOlderParentSpeaksTheNewLanguage()
    {
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
        QWidget parent; // holds the locale of the time it was made
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        auto* calendar = new QStyledCalendarWidget(&parent);
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
        calendar->findChild<QYearMonthCalendarView*>()->calendarModel()->setShownYearMonth(2026, 12);
        QCOMPARE(calendar->findChild<QClickableLabel*>(QStringLiteral("labelYear"))->text(), QStringLiteral("2026"));
        QCOMPARE(calendar->findChild<QClickableLabel*>(QStringLiteral("labelMonth"))->text(), QStringLiteral("Dec"));
        QCOMPARE(calendar->findChild<QYearMonthCalendarView*>()->locale().language(), QLocale::English);
    }

    void monthArrows_data()
    {
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("arrow");
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("shown");
        QTest::newRow("November forward") << 11 << "nextMonthBtn"
                                          << "2026年"
                                          << "12月";
        QTest::newRow("December forward") << 12 << "nextMonthBtn"
                                          << "2027年"
                                          << "1月";
        QTest::newRow("January back") << 1 << "prevMonthBtn"
                                      << "2025年"
                                      << "12月";
        QTest::newRow("year forward") << 3 << "nextYearBtn"
                                      << "2027年"
                                      << "3月";
        QTest::newRow("year back") << 3 << "prevYearBtn"
                                   << "2025年"
                                   << "3月";
    }

    void monthArrows()
    {
        QFETCH(int, month);
        QFETCH(QString, arrow);
        QFETCH(QString, year);
        QFETCH(QString, shown);
        Calendar calendar;
        calendar.widget.setSelectedDate(QDate(2026, month, 1));
        calendar.clickArrow(qPrintable(arrow));
        QCOMPARE(calendar.label("labelYear"), year);
        QCOMPARE(calendar.label("labelMonth"), shown);
    }

    void arrowsStandOverTheirColumns()
    {
        Calendar calendar;
        QYearMonthCalendarView* grid = calendar.view();
        const auto* next = calendar.widget.findChild<QIconPushButton*>(QStringLiteral("nextYearBtn"));
        const auto offset = [&] {
            const QPoint cell = grid->visualRect(grid->model()->index(0, 6)).center();
            return next->mapTo(&calendar.widget, next->rect().center()).x() -
                   grid->viewport()->mapTo(&calendar.widget, cell).x();
        };
        // Centres of even-sized boxes differ by rounding only.
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(offset()) <= 1, 5000);
    }

    void decadeViewStepsByTen()
    {
        Calendar calendar(QStyledCalendarWidget::YearCalendar);
        calendar.show(2026, 3);
        calendar.widget.setSelectedDate(QDate(2026, 3, 1));
        QCOMPARE(calendar.label("labelYear"), QStringLiteral("2020年-2029年"));
        QVERIFY(calendar.widget.findChild<QClickableLabel*>(QStringLiteral("labelMonth"))->isHidden());
        calendar.clickArrow("nextYearBtn");
        QCOMPARE(calendar.label("labelYear"), QStringLiteral("2030年-2039年"));
        QCOMPARE(calendar.widget.yearShown(), 2036);
    }

    void labelsSwitchToCoarserViews()
    {
        Calendar calendar;
        calendar.widget.setSelectedDate(QDate(2026, 3, 5));
        QSignalSpy typeChanged(&calendar.widget, &QStyledCalendarWidget::calendarTypeChanged);
        calendar.clickLabel("labelMonth");
        QCOMPARE(calendar.widget.calendarType(), QStyledCalendarWidget::MonthCalendar);
        calendar.clickLabel("labelYear");
        calendar.clickLabel("labelYear"); // already there: nothing
        QCOMPARE(typeChanged.count(), 2);
        QCOMPARE(typeChanged.at(1).at(0).toInt(), int(QStyledCalendarWidget::MonthCalendar));
        QCOMPARE(typeChanged.at(1).at(1).toInt(), int(QStyledCalendarWidget::YearCalendar));

        // Drill down again: year 2028 (row 2, column 0), then August.
        calendar.clickCell(2, 0);
        QCOMPARE(calendar.widget.calendarType(), QStyledCalendarWidget::MonthCalendar);
        QCOMPARE(calendar.widget.yearShown(), 2028);
        calendar.clickCell(1, 3);
        QCOMPARE(calendar.widget.calendarType(), QStyledCalendarWidget::DateCalendar);
        QCOMPARE(calendar.widget.monthShown(), 8);
        QCOMPARE(calendar.label("labelMonth"), QStringLiteral("8月"));
    }

    void withoutSwitchModeCellsSubmit()
    {
        Calendar calendar(QStyledCalendarWidget::MonthCalendar);
        calendar.widget.setSwitchModeEnabled(false);
        QVERIFY(!calendar.widget.findChild<QClickableLabel*>(QStringLiteral("labelYear"))->isEnabled());
        calendar.show(2026, 1);
        QSignalSpy submitted(&calendar.widget, &QStyledCalendarWidget::yearMonthSubmited);
        calendar.clickCell(2, 1);
        QCOMPARE(submitted.count(), 1);
        QCOMPARE(submitted.at(0).at(0).toInt(), 2026);
        QCOMPARE(submitted.at(0).at(1).toInt(), 10);
        QCOMPARE(calendar.widget.calendarType(), QStyledCalendarWidget::MonthCalendar);
    }

    void emptyAndOutOfRangeCellsDoNothing_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::newRow("empty decade cell") << 2 << 3;
        QTest::newRow("year after the maximum") << 2 << 1;
    }

    void emptyAndOutOfRangeCellsDoNothing()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        Calendar calendar(QStyledCalendarWidget::YearCalendar);
        calendar.widget.setDateRange(QDate(2020, 1, 1), QDate(2028, 12, 31));
        calendar.show(2026, 1);
        for (bool switchMode : {false, true}) {
            calendar.widget.setSwitchModeEnabled(switchMode);
            QSignalSpy submitted(&calendar.widget, &QStyledCalendarWidget::yearSubmited);
            QSignalSpy typeChanged(&calendar.widget, &QStyledCalendarWidget::calendarTypeChanged);
            calendar.clickCell(row, column);
            QCOMPARE(submitted.count(), 0);
            QCOMPARE(typeChanged.count(), 0);
        }
        calendar.widget.setSwitchModeEnabled(false);
        QSignalSpy submitted(&calendar.widget, &QStyledCalendarWidget::yearSubmited);
        calendar.clickCell(2, 0);
        QCOMPARE(submitted.count(), 1);
        QCOMPARE(submitted.at(0).at(0).toInt(), 2028);
    }

    void monthOutsideRangeIsNotSubmitted()
    {
        Calendar calendar(QStyledCalendarWidget::MonthCalendar);
        calendar.widget.setSwitchModeEnabled(false);
        calendar.widget.setDateRange(QDate(2026, 3, 10), QDate(2026, 5, 1));
        calendar.show(2026, 1);
        QSignalSpy submitted(&calendar.widget, &QStyledCalendarWidget::yearMonthSubmited);
        calendar.clickCell(0, 1); // February
        calendar.clickCell(1, 1); // June
        QCOMPARE(submitted.count(), 0);
        calendar.clickCell(0, 2); // March: partly inside
        calendar.clickCell(1, 0); // May: its first day
        QCOMPARE(submitted.count(), 2);
    }

    void clickingADay()
    {
        Calendar calendar;
        calendar.widget.setSelectedDate(QDate(2026, 3, 5));
        QSignalSpy selection(&calendar.widget, &QStyledCalendarWidget::selectionChanged);
        QSignalSpy submitted(&calendar.widget, &QStyledCalendarWidget::dateSubmited);
        calendar.clickDate(QDate(2026, 3, 18));
        QCOMPARE(selection.count(), 1);
        QCOMPARE(submitted.count(), 1);
        QCOMPARE(submitted.at(0).at(0).toDate(), QDate(2026, 3, 18));
        // A day of the next month shows that month.
        calendar.clickDate(QDate(2026, 4, 2));
        QCOMPARE(calendar.widget.monthShown(), 4);
        QCOMPARE(calendar.widget.selectedDate(), QDate(2026, 4, 2));
        QCOMPARE(selection.count(), 2);
    }

    void dayAfterMaximumIgnoresClicks()
    {
        Calendar calendar;
        calendar.widget.setDateRange(QDate(2026, 1, 1), QDate(2026, 3, 15));
        calendar.widget.setSelectedDate(QDate(2026, 3, 5));
        QSignalSpy selection(&calendar.widget, &QStyledCalendarWidget::selectionChanged);
        QSignalSpy submitted(&calendar.widget, &QStyledCalendarWidget::dateSubmited);
        calendar.clickDate(QDate(2026, 3, 20));
        QCOMPARE(selection.count(), 0);
        QCOMPARE(submitted.count(), 0);
        QCOMPARE(calendar.widget.selectedDate(), QDate(2026, 3, 5));
    }

    void setSelectedDateClamps()
    {
        Calendar calendar;
        calendar.widget.setMaximumDate(QDate(2026, 3, 15));
        QSignalSpy selection(&calendar.widget, &QStyledCalendarWidget::selectionChanged);
        calendar.widget.setSelectedDate(QDate(2026, 4, 20));
        QCOMPARE(calendar.widget.selectedDate(), QDate(2026, 3, 15));
        QCOMPARE(selection.count(), 1);
        calendar.widget.setSelectedDate(QDate(2026, 3, 15));
        calendar.widget.setSelectedDate(QDate());
        QCOMPARE(selection.count(), 1);
        calendar.widget.setMinimumDate(QDate(2026, 3, 20)); // moves the selection up
        QCOMPARE(calendar.widget.selectedDate(), QDate(2026, 3, 20));
        QCOMPARE(selection.count(), 2);
        QCOMPARE(calendar.widget.maximumDate(), QDate(2026, 3, 20));
    }

    void clearSelectionIsSilent()
    {
        Calendar calendar;
        calendar.widget.setSelectedDate(QDate(2026, 3, 5));
        QSignalSpy selection(&calendar.widget, &QStyledCalendarWidget::selectionChanged);
        calendar.widget.clearSelection();
        QVERIFY(calendar.widget.selectedDate().isNull());
        QVERIFY(!calendar.view()->selectionModel()->hasSelection());
        QCOMPARE(selection.count(), 0);
    }

    void properties()
    {
        Calendar calendar;
        QCOMPARE(calendar.widget.textColorHover(), QColor(88, 187, 228));
        calendar.widget.setTextColorHover(Qt::red);
        QCOMPARE(calendar.view()->textColorHover(), QColor(Qt::red));
        QVERIFY(calendar.widget.findChild<QClickableLabel*>(QStringLiteral("labelYear"))
                    ->styleSheet()
                    .contains(QStringLiteral("#ff0000")));
        QCOMPARE(calendar.widget.facadeFormat(), 0);
        calendar.widget.setFacadeFormat(2);
        QCOMPARE(calendar.widget.facadeFormat(), 2);
        calendar.widget.setGridVisible(true);
        QVERIFY(calendar.widget.isGridVisible());
        QCOMPARE(calendar.widget.sizeHint(), QSize(224 + 18, 224 + 32 + 16));
        QVERIFY(calendar.exposed);
    }
};

QTEST_MAIN(TestStyledCalendar)
#include "test_styled_calendar.moc"
