#include "QIconPushButton.h"
#include "QRangeCalendarPopup.h"
#include "QRangeDateEditWithPopup.h"
#include "QRangeDateTimeEditWithPopup.h"
#include "QStyledCalendarWidget.h"
#include "QTimeLineEdit.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QGuiApplication>
#include <QListWidgetItem>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

class TestRangeEdit : public QObject
{
    Q_OBJECT

private:
    struct Box
    {
        Box()
        {
            window.resize(400, 60);
            edit = new QRangeDateTimeEditWithPopup(&window);
            edit->setGeometry(10, 10, 350, 32);
        }

        void showAt(const QPoint& position)
        {
            window.move(position);
            window.show();
            exposed = QTest::qWaitForWindowExposed(&window);
        }
        QIconPushButton* button() const { return edit->findChild<QIconPushButton*>(QStringLiteral("calendarButton")); }
        QRangeCalendarPopup* popup() const { return edit->findChild<QRangeCalendarPopup*>(); }
        QStyledCalendarWidget* calendar(const char* name) const
        {
            return popup()->findChild<QStyledCalendarWidget*>(QString::fromLatin1(name));
        }
        void open() { QTest::mouseClick(button(), Qt::LeftButton, {}, QPoint(2, 2)); }
        void confirm()
        {
            QTest::mouseClick(popup()->findChild<QPushButton*>(QStringLiteral("m_rangeCalendarConfirmBtn")),
                              Qt::LeftButton);
        }
        std::pair<QDateTime, QDateTime> period() const
        {
            std::pair<QDateTime, QDateTime> value;
            edit->getDateTime(value.first, value.second);
            return value;
        }

        QWidget window;
        QRangeDateTimeEditWithPopup* edit;
        bool exposed = false;
    };

    static QRect available() { return QGuiApplication::primaryScreen()->availableGeometry(); }

private slots:
    void defaults()
    {
        const QDate today = QDate::currentDate();
        QRangeDateTimeEditWithPopup withTime;
        QDateTime begin;
        QDateTime end;
        withTime.getDateTime(begin, end);
        QCOMPARE(begin, QDateTime(today, QTime(0, 0, 0)));
        QCOMPARE(end, QDateTime(today, QTime(23, 59, 59)));
        QCOMPARE(withTime.findChild<QDateTimeEdit*>()->displayFormat(), QStringLiteral("yyyy/MM/dd HH:mm:ss"));

        QRangeDateEditWithPopup days;
        QDate first;
        QDate last;
        days.getDate(first, last);
        QCOMPARE(first, today);
        QCOMPARE(last, today.addDays(1));
        QCOMPARE(days.findChild<QDateTimeEdit*>()->displayFormat(), QStringLiteral("yyyy/MM/dd"));
        const auto* popup = days.findChild<QRangeCalendarPopup*>();
        QVERIFY(!popup->findChild<QTimeLineEdit*>()->isVisibleTo(popup));
    }

    void sizeHintIgnoresFont_data()
    {
        QTest::addColumn<int>("pointSize");
        QTest::newRow("small") << 6;
        QTest::newRow("large") << 30;
    }

    void sizeHintIgnoresFont()
    {
        QFETCH(int, pointSize);
        QRangeDateTimeEditWithPopup edit;
        QFont font = edit.font();
        font.setPointSize(pointSize);
        edit.setFont(font);
        QCOMPARE(edit.sizeHint(), QSize(350, 32));
    }

    // The box is only a frame: a click on its margins, the dash or the empty
    // space goes to the nearest field, and typing never lands in the frame.
    void clickOnTheFrameFocusesNearestField_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("beginField");
        QTest::newRow("left margin") << "left margin" << true;
        QTest::newRow("just right of the begin field") << "after begin" << true;
        QTest::newRow("space right of the end field") << "after end" << false;
    }

    void clickOnTheFrameFocusesNearestField()
    {
        QFETCH(QString, where);
        QFETCH(bool, beginField);
        Box box;
        box.showAt(available().topLeft() + QPoint(20, 20));
        QVERIFY(box.exposed);
        QVERIFY(QTest::qWaitForWindowActive(&box.window));
        const auto fields = box.edit->findChildren<QDateTimeEdit*>();
        QCOMPARE(fields.size(), 2);
        const auto rightEdge = [&](int i) { return fields[i]->geometry().right(); };
        const int y = box.edit->height() / 2;
        const QPoint at = where == QLatin1String("left margin")   ? QPoint(3, y)
                          : where == QLatin1String("after begin") ? QPoint(rightEdge(0) + 2, y)
                                                                  : QPoint(rightEdge(1) + 3, y);
        QTest::mouseClick(box.edit, Qt::LeftButton, {}, at);
        QDateTimeEdit* expected = fields[beginField ? 0 : 1];
        QTRY_VERIFY(expected->hasFocus());
        QVERIFY(QApplication::focusWidget() != box.edit);
        const QDateTime before = expected->dateTime();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("x"));
        QCOMPARE(box.edit->text(), QString());
        QCOMPARE(expected->dateTime(), before);
        QCOMPARE(box.edit->focusPolicy(), Qt::NoFocus);
    }

    void popupOpensOnTheBoxPeriod()
    {
        Box box;
        box.showAt(available().topLeft() + QPoint(20, 20));
        QVERIFY(box.exposed);
        const QDateTime begin(QDate(2026, 2, 3), QTime(4, 5, 6));
        const QDateTime end(QDate(2026, 2, 10), QTime(7, 8, 9));
        box.edit->setDateTime(begin, end);
        box.open();
        QTRY_VERIFY_WITH_TIMEOUT(box.popup()->isVisible(), 5000);
        QCOMPARE(box.calendar("m_beginCalendarWidget")->selectedDate(), begin.date());
        QCOMPARE(box.calendar("m_endCalendarWidget")->selectedDate(), end.date());
        QCOMPARE(box.popup()->findChild<QTimeLineEdit*>(QStringLiteral("m_endTimeLineEdit"))->time(), end.time());

        QSignalSpy changed(box.popup(), &QRangeCalendarWidget::SignalDateTimeChanged);
        box.confirm();
        QCOMPARE(changed.count(), 0);
        QVERIFY(!box.popup()->isVisible());
        QCOMPARE(box.period(), std::make_pair(begin, end));
    }

    void confirmingAChangeWritesTheFields()
    {
        Box box;
        box.showAt(available().topLeft() + QPoint(20, 20));
        box.edit->setDateTime(QDateTime(QDate(2026, 2, 3), QTime(4, 5, 6)),
                              QDateTime(QDate(2026, 2, 10), QTime(7, 8, 9)));
        box.open();
        QTRY_VERIFY_WITH_TIMEOUT(box.popup()->isVisible(), 5000);
        QSignalSpy changed(box.popup(), &QRangeCalendarWidget::SignalDateTimeChanged);
        box.calendar("m_endCalendarWidget")->setSelectedDate(QDate(2026, 2, 12));
        box.confirm();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(box.period().second, QDateTime(QDate(2026, 2, 12), QTime(7, 8, 9)));

        // The next opening takes the new period as its reference.
        box.open();
        QTRY_VERIFY_WITH_TIMEOUT(box.popup()->isVisible(), 5000);
        box.confirm();
        QCOMPARE(changed.count(), 1);
    }

    void shortcutsCanBeRenamed()
    {
        QRangeDateTimeEditWithPopup edit;
        QList<QListWidgetItem*> items;
        edit.getShortCutDateItem(items);
        QCOMPARE(items.size(), 7);
        items.first()->setText(QStringLiteral("Last 3 days"));
        edit.insertShortCutDate(QStringLiteral("Last year"), 1 << 16);
        QList<QListWidgetItem*> again;
        edit.getShortCutDateItem(again);
        QCOMPARE(again.size(), 8);
        QCOMPARE(again.first()->text(), QStringLiteral("Last 3 days"));
    }

    void pressOnTheButtonWhileOpenOnlyCloses()
    {
        Box box;
        box.showAt(available().topLeft() + QPoint(20, 20));
        box.open();
        QTRY_VERIFY_WITH_TIMEOUT(box.popup()->isVisible(), 5000);
        const QPoint onButton = box.popup()->mapFromGlobal(box.button()->mapToGlobal(QPoint(3, 3)));
        QTest::mousePress(box.popup(), Qt::LeftButton, {}, onButton);
        QVERIFY(!box.popup()->isVisible());
        QVERIFY(box.popup()->testAttribute(Qt::WA_NoMouseReplay));
    }

    void placement_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("room below") << "top left";
        QTest::newRow("near the right edge") << "right";
        QTest::newRow("near the bottom") << "bottom";
        QTest::newRow("below lies on no screen") << "off screen";
    }

    void placement()
    {
        QFETCH(QString, where);
        const QRect screen = available();
        Box box;
        const QSize popupSize = box.popup()->sizeHint();
        QPoint position = screen.topLeft() + QPoint(20, 20);
        if (where == QLatin1String("right"))
            position = QPoint(screen.right() - 380, screen.top() + 20);
        else if (where == QLatin1String("bottom"))
            position = QPoint(screen.left() + 20, screen.bottom() - 80);
        else if (where == QLatin1String("off screen"))
            position = QPoint(screen.right() + 2000, screen.bottom() + 2000);
        box.showAt(position);
        box.open();
        QTRY_VERIFY_WITH_TIMEOUT(box.popup()->isVisible(), 5000);
        const QRect placed(box.popup()->pos(), popupSize);
        const QPoint boxTopLeft = box.edit->mapToGlobal(QPoint(0, 0));
        if (where == QLatin1String("top left")) {
            QCOMPARE(placed.topLeft(), boxTopLeft + QPoint(0, box.edit->height() - 1 + 3));
        } else if (where == QLatin1String("right")) {
            QCOMPARE(placed.right() + 1, screen.right());
        } else if (where == QLatin1String("bottom")) {
            QCOMPARE(placed.bottom() + 1, boxTopLeft.y() - 3);
        }
        QVERIFY2(screen.contains(placed.topLeft()), qPrintable(where));
    }
};

QTEST_MAIN(TestRangeEdit)
#include "test_range_edit.moc"
