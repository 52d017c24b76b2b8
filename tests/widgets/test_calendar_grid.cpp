#include "CalendarGrid.h"
#include "QYearMonthCalendarModel.h"
#include "QYearMonthCalendarView.h"
#include "WidgetTestSupport.h"

#include <QCalendarWidget>
#include <QPaintEngine>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

Q_DECLARE_METATYPE(Qt::DayOfWeek)

namespace {
// A paint device that keeps the texts painted on it, as painted (elided or not).
class TextRecorder : public QPaintDevice
{
public:
    explicit TextRecorder(const QSize& size) : m_size(size), m_engine(this) { }

    QPaintEngine* paintEngine() const override { return &m_engine; }
    QStringList texts;

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return m_size.width();
        case PdmHeight: return m_size.height();
        case PdmDepth: return 32;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return kDpi;
        case PdmWidthMM: return m_size.width() * 254 / (kDpi * 10);
        case PdmHeightMM: return m_size.height() * 254 / (kDpi * 10);
        default: return 0;
        }
    }

private:
    static constexpr int kDpi = 96;

    class Engine : public QPaintEngine
    {
    public:
        explicit Engine(TextRecorder* device) : m_device(device) { }
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override { }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { }
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override { }
        void drawTextItem(const QPointF&, const QTextItem& item) override { m_device->texts << item.text(); }
        Type type() const override { return User; }

    private:
        TextRecorder* m_device;
    };

    QSize m_size;
    mutable Engine m_engine;
};
} // namespace

class TestCalendarGrid : public QObject
{
    Q_OBJECT

private:
    // The day grid of March 2026, weeks starting on Monday.
    static QYearMonthCalendarModel* showMarch2026(QYearMonthCalendarView& view)
    {
        view.initCalendarType(CalendarGrid::Days);
        QYearMonthCalendarModel* model = view.calendarModel();
        model->setFirstDayOfWeek(Qt::Monday);
        model->setShownYearMonth(2026, 3);
        return model;
    }

    static QPoint cellCentre(QYearMonthCalendarView& view, int row, int column)
    {
        return view.visualRect(view.model()->index(row, column)).center();
    }

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // Qt's own month calendar is the oracle for every day cell.
    void dayGridMatchesQtCalendar_data()
    {
        QTest::addColumn<Qt::DayOfWeek>("firstDay");
        for (int day = Qt::Monday; day <= Qt::Sunday; ++day)
            QTest::newRow(qPrintable(QLocale::c().dayName(day))) << Qt::DayOfWeek(day);
    }

    void dayGridMatchesQtCalendar()
    {
        QFETCH(Qt::DayOfWeek, firstDay);
        QCalendarWidget oracle;
        oracle.setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        oracle.setFirstDayOfWeek(firstDay);
        const QAbstractItemModel* expected =
            oracle.findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"))->model();

        QYearMonthCalendarView view;
        view.initCalendarType(CalendarGrid::Days);
        QYearMonthCalendarModel* model = view.calendarModel();
        model->setFirstDayOfWeek(firstDay);
        for (int year = 1900; year <= 2100; ++year) {
            for (int month = 1; month <= 12; ++month) {
                oracle.setCurrentPage(year, month);
                model->setShownYearMonth(year, month, false);
                for (int row = 1; row <= 6; ++row) {
                    for (int column = 0; column < 7; ++column) {
                        const QDate date = model->dateForCell(row, column);
                        const int day = expected->index(row, column).data().toInt();
                        if (day == 0)
                            QFAIL("the oracle shows no day number");
                        if (date.day() != day)
                            QFAIL(qPrintable(QStringLiteral("%1-%2 cell %3,%4: %5 instead of %6")
                                                 .arg(year)
                                                 .arg(month)
                                                 .arg(row)
                                                 .arg(column)
                                                 .arg(date.toString(Qt::ISODate))
                                                 .arg(day)));
                        int r;
                        int c;
                        model->cellForDate(date, &r, &c);
                        if (r != row || c != column)
                            QFAIL(qPrintable(
                                QStringLiteral("cell of %1 is %2,%3").arg(date.toString(Qt::ISODate)).arg(r).arg(c)));
                    }
                }
            }
        }
    }

    void firstDayComesFromTheLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<Qt::DayOfWeek>("firstDay");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << Qt::Monday;
        QTest::newRow("American English") << QLocale(QLocale::English, QLocale::UnitedStates) << Qt::Sunday;
    }

    void firstDayComesFromTheLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(Qt::DayOfWeek, firstDay);
        QLocale::setDefault(locale);
        QYearMonthCalendarView view;
        QCOMPARE(view.calendarModel()->firstDayOfWeek(), firstDay);
    }

    void mondayMonthShowsPreviousWeekFirst()
    {
        QYearMonthCalendarView view;
        view.initCalendarType(CalendarGrid::Days);
        QYearMonthCalendarModel* model = view.calendarModel();
        model->setFirstDayOfWeek(Qt::Monday);
        model->setShownYearMonth(2026, 6); // 1 June 2026 is a Monday
        QCOMPARE(model->dateForCell(1, 0), QDate(2026, 5, 25));
        QCOMPARE(model->dateForCell(2, 0), QDate(2026, 6, 1));
        QCOMPARE(model->index(2, 0).data().toInt(), 1);
    }

    void weekdayRowUsesNarrowNames()
    {
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
        QYearMonthCalendarView view;
        view.setLocale(QLocale(QLocale::Chinese, QLocale::China));
        view.initCalendarType(CalendarGrid::Days);
        view.calendarModel()->setFirstDayOfWeek(Qt::Monday);
        QStringList names;
        for (int column = 0; column < 7; ++column)
            names << view.model()->index(0, column).data().toString();
        QCOMPARE(names.join(QString()), QStringLiteral("一二三四五六日"));
    }

    void gridShapes_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("columns");
        QTest::newRow("decade") << int(CalendarGrid::Decade) << 3 << 4;
        QTest::newRow("months") << int(CalendarGrid::Months) << 3 << 4;
        QTest::newRow("days") << int(CalendarGrid::Days) << 7 << 7;
    }

    void gridShapes()
    {
        QFETCH(int, type);
        QFETCH(int, rows);
        QFETCH(int, columns);
        QYearMonthCalendarView view;
        view.initCalendarType(type);
        QCOMPARE(view.model()->rowCount(), rows);
        QCOMPARE(view.model()->columnCount(), columns);
        QCOMPARE(view.viewportSizeHint(), QSize(224, 224));
    }

    void decadeHasTenYears()
    {
        QYearMonthCalendarView view;
        view.calendarModel()->setShownYearMonth(2026, 3);
        const QAbstractItemModel* model = view.model();
        QCOMPARE(model->index(0, 0).data().toInt(), 2020);
        QCOMPARE(model->index(2, 1).data().toInt(), 2029);
        QVERIFY(!model->index(2, 2).data().isValid());
        QCOMPARE(model->index(2, 2).flags(), Qt::NoItemFlags);
        QCOMPARE(model->index(2, 3).flags(), Qt::NoItemFlags);
        QVERIFY(model->index(2, 1).flags() & Qt::ItemIsEnabled);
        int row;
        int column;
        view.calendarModel()->cellForDate(QDate(2031, 1, 1), &row, &column);
        QCOMPARE(row, -1);
    }

    void typeChangeResetsOnlyAroundTheDayGrid_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("resets");
        QTest::newRow("months to decade") << int(CalendarGrid::Months) << int(CalendarGrid::Decade) << 0;
        QTest::newRow("days to months") << int(CalendarGrid::Days) << int(CalendarGrid::Months) << 1;
        QTest::newRow("decade to days") << int(CalendarGrid::Decade) << int(CalendarGrid::Days) << 1;
    }

    void typeChangeResetsOnlyAroundTheDayGrid()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, resets);
        QYearMonthCalendarView view;
        view.initCalendarType(from);
        QSignalSpy reset(view.model(), &QAbstractItemModel::modelReset);
        view.slotCalendarChanged(from, to);
        QCOMPARE(reset.count(), resets);
        QCOMPARE(view.calendarType(), to);
    }

    void rangeDisablesDaysAndClampsSelection()
    {
        QYearMonthCalendarView view;
        QYearMonthCalendarModel* model = showMarch2026(view);
        model->setSelectedDate(QDate(2026, 3, 20));
        model->setMaximumDate(QDate(2026, 3, 15));
        QCOMPARE(model->selectedDate(), QDate(2026, 3, 15));
        QCOMPARE(model->flags(model->indexForDate(QDate(2026, 3, 16))), Qt::NoItemFlags);
        QVERIFY(model->flags(model->indexForDate(QDate(2026, 3, 15))) & Qt::ItemIsEnabled);
        model->setMinimumDate(QDate(2026, 4, 1)); // raises the maximum with it
        QCOMPARE(model->maximumDate(), QDate(2026, 4, 1));
        QCOMPARE(model->selectedDate(), QDate(2026, 4, 1));
        model->setRange(QDate(2026, 5, 1), QDate(2026, 2, 1)); // reversed
        QCOMPARE(model->minimumDate(), QDate(2026, 2, 1));
        QCOMPARE(model->maximumDate(), QDate(2026, 5, 1));
    }

    void outOfRangeDaysIgnoreTheMouse()
    {
        QYearMonthCalendarView view;
        QYearMonthCalendarModel* model = showMarch2026(view);
        model->setMaximumDate(QDate(2026, 3, 15));
        view.resize(224, 224);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy clicked(&view, &QAbstractItemView::clicked);
        const QModelIndex late = model->indexForDate(QDate(2026, 3, 20));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cellCentre(view, late.row(), late.column()));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cellCentre(view, 0, 3)); // weekday row
        QCOMPARE(clicked.count(), 0);
        const QModelIndex previousMonth = model->indexForDate(QDate(2026, 2, 28));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                          cellCentre(view, previousMonth.row(), previousMonth.column()));
        QCOMPARE(clicked.count(), 1);

        const QImage image = view.grab().toImage();
        const QRect lateCell = view.visualRect(late);
        QCOMPARE(image.pixelColor(lateCell.topLeft() + QPoint(1, 1)), QColor(QStringLiteral("#F2F2F2")));
    }

    void selectedDayIsFilled()
    {
        QYearMonthCalendarView view;
        view.initCalendarType(CalendarGrid::Days);
        QYearMonthCalendarModel* model = view.calendarModel();
        model->setShownYearMonth(2026, 3);
        view.resize(224, 224);
        const QModelIndex index = model->indexForDate(QDate(2026, 3, 10));
        view.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        const QRect cell = view.visualRect(index);
        QCOMPARE(WidgetTestSupport::pixel(view, cell.topLeft() + QPoint(1, 1)), QColor(88, 187, 228));
    }

    // Long month names that do not fit a cell ("September" in English) were
    // cut to "Septem…"; then the grid shows short names, all of them.
    void monthNamesAreNeverCut_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<int>("cellWidth");
        QTest::newRow("English, narrow cells") << QLocale(QLocale::English, QLocale::UnitedStates) << 60;
        QTest::newRow("English, the styled calendar's cells") << QLocale(QLocale::English, QLocale::UnitedStates) << 76;
        QTest::newRow("German, narrow cells") << QLocale(QLocale::German, QLocale::Germany) << 60;
        QTest::newRow("English, wide cells") << QLocale(QLocale::English, QLocale::UnitedStates) << 140;
        QTest::newRow("Chinese, narrow cells") << QLocale(QLocale::Chinese, QLocale::China) << 60;
    }

    void monthNamesAreNeverCut()
    {
        QFETCH(QLocale, locale);
        QFETCH(int, cellWidth);
        QYearMonthCalendarView view;
        view.setLocale(locale);
        view.initCalendarType(CalendarGrid::Months);
        view.resize(cellWidth * 4, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (int column = 0; column < 4; ++column)
            view.setColumnWidth(column, cellWidth);
        TextRecorder painted(view.size());
        view.render(&painted);
        int full = 0;
        int brief = 0;
        for (int month = 1; month <= 12; ++month) {
            full += painted.texts.contains(locale.standaloneMonthName(month, QLocale::LongFormat));
            brief += painted.texts.contains(locale.standaloneMonthName(month, QLocale::ShortFormat));
        }
        QVERIFY2(full == 12 || brief == 12, qPrintable(painted.texts.join(QLatin1Char('|'))));
        for (const QString& text : painted.texts)
            QVERIFY2(!text.contains(QChar(0x2026)), qPrintable(text));
        // Where the full name fits, it is the one shown.
        if (cellWidth >= 140)
            QVERIFY(painted.texts.contains(locale.standaloneMonthName(9, QLocale::LongFormat)));
    }

    void selectedMonthIsMarkedByTextOnly()
    {
        QYearMonthCalendarView view;
        view.initCalendarType(CalendarGrid::Months);
        view.calendarModel()->setShownYearMonth(2026, 3);
        view.resize(224, 224);
        const QModelIndex march = view.model()->index(0, 2);
        view.selectionModel()->setCurrentIndex(march, QItemSelectionModel::ClearAndSelect);
        const QImage image = view.grab().toImage();
        const QRect cell = view.visualRect(march);
        QCOMPARE(image.pixelColor(cell.topLeft() + QPoint(1, 1)), view.palette().color(QPalette::Base));
        bool hoverText = false;
        for (int y = cell.top(); y <= cell.bottom() && !hoverText; ++y)
            for (int x = cell.left(); x <= cell.right() && !hoverText; ++x)
                hoverText = image.pixelColor(x, y) == QColor(88, 187, 228);
        QVERIFY(hoverText);
    }
};

QTEST_MAIN(TestCalendarGrid)
#include "test_calendar_grid.moc"
