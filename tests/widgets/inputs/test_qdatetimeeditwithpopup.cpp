#include "QDateTimeCalendarWidget.h"
#include "QDateTimeEditWithPopup.h"
#include "QStyledCalendarWidget.h"

#include <QPushButton>
#include <QtTest>

class TestQDateTimeEditWithPopup : public QObject
{
    Q_OBJECT

private slots:
    void newEditShowsNow();
    void constructorsKeepTheirValue_data();
    void constructorsKeepTheirValue();
    void confirmingUnchangedSetsNothing();
    void confirmingAnotherDaySetsIt();
    void nowAndConfirmSetsThePresent();
    void confirmingWithoutSelectionSetsNothing();
    void calendarStaysInsideRange();
    void popupOpensBelowTheEdit();

private:
    static QPushButton* button(QDateTimeEditWithPopup& edit, const char* name);
    static QStyledCalendarWidget* calendar(QDateTimeEditWithPopup& edit);
    static void open(QDateTimeEditWithPopup& edit);
};

QPushButton* TestQDateTimeEditWithPopup::button(QDateTimeEditWithPopup& edit, const char* name)
{
    return edit.popupWidget()->findChild<QPushButton*>(QLatin1String(name));
}

QStyledCalendarWidget* TestQDateTimeEditWithPopup::calendar(QDateTimeEditWithPopup& edit)
{
    return edit.popupWidget()->findChild<QStyledCalendarWidget*>();
}

void TestQDateTimeEditWithPopup::open(QDateTimeEditWithPopup& edit)
{
    edit.resize(240, 32);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QTest::mouseClick(&edit, Qt::LeftButton, {}, QPoint(20, 16));
    QTRY_VERIFY(edit.popupWidget()->isVisible());
}

void TestQDateTimeEditWithPopup::newEditShowsNow()
{
    const QDateTime before = QDateTime::currentDateTime().addMSecs(-1000);
    QDateTimeEditWithPopup edit;
    const QDateTime after = QDateTime::currentDateTime();
    QVERIFY(edit.dateTime() >= before && edit.dateTime() <= after);
    QCOMPARE(edit.displayFormat(), QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    QCOMPARE(edit.text(), edit.dateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
    QVERIFY(edit.calendarPopup());
}

void TestQDateTimeEditWithPopup::constructorsKeepTheirValue_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("shown");

    QTest::newRow("date-time") << "datetime"
                               << "2021/06/15 08:30:05";
    QTest::newRow("date") << "date"
                          << "2021/06/15 00:00:00";
    QTest::newRow("time") << "time"
                          << "08:30:05";
}

void TestQDateTimeEditWithPopup::constructorsKeepTheirValue()
{
    QFETCH(QString, kind);
    QFETCH(QString, shown);

    const QDate date(2021, 6, 15);
    const QTime time(8, 30, 5);
    std::unique_ptr<QDateTimeEditWithPopup> edit;
    if (kind == QLatin1String("datetime"))
        edit = std::make_unique<QDateTimeEditWithPopup>(QDateTime(date, time));
    else if (kind == QLatin1String("date"))
        edit = std::make_unique<QDateTimeEditWithPopup>(date);
    else
        edit = std::make_unique<QDateTimeEditWithPopup>(time);

    QCOMPARE(edit->displayFormat(), QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    QVERIFY2(edit->text().endsWith(shown), qPrintable(edit->text()));
}

void TestQDateTimeEditWithPopup::confirmingUnchangedSetsNothing()
{
    QDateTimeEditWithPopup edit(QDateTime(QDate(2024, 1, 15), QTime(12, 0, 0)));
    QSignalSpy changed(&edit, &QDateTimeEdit::dateTimeChanged);
    open(edit);
    QCOMPARE(calendar(edit)->selectedDate(), QDate(2024, 1, 15));
    QTest::mouseClick(button(edit, "pushButtonConfirm"), Qt::LeftButton);
    QVERIFY(!edit.popupWidget()->isVisible());
    QCOMPARE(changed.count(), 0);
}

void TestQDateTimeEditWithPopup::confirmingAnotherDaySetsIt()
{
    QDateTimeEditWithPopup edit(QDateTime(QDate(2024, 1, 15), QTime(12, 34, 56)));
    QSignalSpy changed(&edit, &QDateTimeEdit::dateTimeChanged);
    open(edit);
    calendar(edit)->setSelectedDate(QDate(2024, 1, 20));
    QCOMPARE(changed.count(), 0);
    QTest::mouseClick(button(edit, "pushButtonConfirm"), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(edit.dateTime(), QDateTime(QDate(2024, 1, 20), QTime(12, 34, 56)));
}

void TestQDateTimeEditWithPopup::nowAndConfirmSetsThePresent()
{
    QDateTimeEditWithPopup edit(QDateTime(QDate(2020, 1, 1), QTime(12, 0, 0)));
    QSignalSpy changed(&edit, &QDateTimeEdit::dateTimeChanged);
    open(edit);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    QTest::mouseClick(button(edit, "pushButtonCurrentDateTime"), Qt::LeftButton);
    QCOMPARE(changed.count(), 0);
    QTest::mouseClick(button(edit, "pushButtonConfirm"), Qt::LeftButton);
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    QCOMPARE(changed.count(), 1);
    QVERIFY2(edit.dateTime() >= before && edit.dateTime() <= after, qPrintable(edit.dateTime().toString()));
}

void TestQDateTimeEditWithPopup::confirmingWithoutSelectionSetsNothing()
{
    QDateTimeEditWithPopup edit(QDateTime(QDate(2024, 1, 15), QTime(12, 0, 0)));
    QSignalSpy changed(&edit, &QDateTimeEdit::dateTimeChanged);
    open(edit);
    QSignalSpy reported(edit.popupWidget(), &QDateTimeCalendarWidget::SignalDateChanged);
    calendar(edit)->clearSelection();
    QTest::mouseClick(button(edit, "pushButtonConfirm"), Qt::LeftButton);
    QCOMPARE(reported.count(), 0);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(edit.dateTime(), QDateTime(QDate(2024, 1, 15), QTime(12, 0, 0)));
}

void TestQDateTimeEditWithPopup::calendarStaysInsideRange()
{
    QDateTimeEditWithPopup edit(QDateTime(QDate(2024, 1, 15), QTime(9, 0, 0)));
    edit.setDateRange(QDate(2024, 1, 10), QDate(2024, 1, 20));
    open(edit);
    QStyledCalendarWidget* days = calendar(edit);
    QCOMPARE(days->minimumDate(), QDate(2024, 1, 10));
    QCOMPARE(days->maximumDate(), QDate(2024, 1, 20));
    days->setSelectedDate(QDate(2024, 2, 1));
    QCOMPARE(days->selectedDate(), QDate(2024, 1, 20));
    days->setSelectedDate(QDate(2023, 12, 1));
    QCOMPARE(days->selectedDate(), QDate(2024, 1, 10));
}

void TestQDateTimeEditWithPopup::popupOpensBelowTheEdit()
{
    QDateTimeEditWithPopup edit;
    edit.move(50, 50);
    open(edit);
    const QPoint bottomLeft = edit.mapToGlobal(edit.rect().bottomLeft());
    // The offscreen platform may shift a new window by its frame margin: allow for it.
    const QRect popup = edit.popupWidget()->geometry();
    QVERIFY(popup.top() >= bottomLeft.y() + 3);
    QVERIFY(popup.top() <= bottomLeft.y() + 3 + 2);
    QVERIFY(qAbs(popup.left() - bottomLeft.x()) <= 2);
}

QTEST_MAIN(TestQDateTimeEditWithPopup)
#include "test_qdatetimeeditwithpopup.moc"
