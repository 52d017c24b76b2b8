#include "QScrollTime.h"
#include "QScrollTimePopup.h"
#include "QTimeLineEdit.h"

#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

class TestScrollTime : public QObject
{
    Q_OBJECT

private:
    struct Picker
    {
        Picker() : widget(nullptr, Qt::WindowFlags())
        {
            widget.show();
            exposed = QTest::qWaitForWindowExposed(&widget);
        }

        QListView* list(const char* name) const { return widget.findChild<QListView*>(QString::fromLatin1(name)); }
        QString inBand(const char* name) const
        {
            QListView* view = list(name);
            const QPoint middle(view->viewport()->width() / 2, 87 + 17);
            return view->indexAt(middle).data().toString();
        }
        void press(const char* button)
        {
            QTest::mouseClick(widget.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
        }

        QScrollTime widget;
        bool exposed = false;
    };

private slots:
    void columnsHoldEveryValueOnce_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("count");
        QTest::newRow("hours") << "listViewHour" << 24;
        QTest::newRow("minutes") << "listViewMinute" << 60;
        QTest::newRow("seconds") << "listViewSecond" << 60;
    }

    void columnsHoldEveryValueOnce()
    {
        QFETCH(QString, list);
        QFETCH(int, count);
        Picker picker;
        const QAbstractItemModel* model = picker.list(qPrintable(list))->model();
        QStringList values;
        for (int row = 0; row < model->rowCount(); ++row) {
            const QString text = model->index(row, 0).data().toString();
            if (!text.isEmpty())
                values << text;
        }
        QStringList expected;
        for (int value = 0; value < count; ++value)
            expected << QString::asprintf("%02d", value);
        QCOMPARE(values, expected);
    }

    void opensOnTheGivenTime()
    {
        Picker picker;
        QVERIFY(picker.exposed);
        QSignalSpy changed(&picker.widget, &QScrollTime::timeChanged);
        picker.widget.setTime(QTime(13, 5, 0));
        QTRY_COMPARE_WITH_TIMEOUT(picker.inBand("listViewHour"), QStringLiteral("13"), 5000);
        QCOMPARE(picker.inBand("listViewMinute"), QStringLiteral("05"));
        QCOMPARE(picker.inBand("listViewSecond"), QStringLiteral("00"));
        QCOMPARE(changed.count(), 0);
    }

    void scrollingSnapsAndReportsOnce()
    {
        Picker picker;
        picker.widget.setTime(QTime(13, 5, 0));
        QTRY_COMPARE_WITH_TIMEOUT(picker.list("listViewMinute")->verticalScrollBar()->value(), 5 * 35, 5000);
        QSignalSpy changed(&picker.widget, &QScrollTime::timeChanged);
        // Between rows: 7 and a bit; the row at the band snaps into it.
        picker.list("listViewMinute")->verticalScrollBar()->setValue(7 * 35 + 10);
        QCOMPARE(picker.list("listViewMinute")->verticalScrollBar()->value(), 7 * 35);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toTime(), QTime(13, 7, 0));
        QCOMPARE(picker.widget.time(), QTime(13, 7, 0));
    }

    void clickingARowBringsItIntoTheBand()
    {
        Picker picker;
        picker.widget.setTime(QTime(0, 0, 0));
        QListView* hours = picker.list("listViewHour");
        QTRY_COMPARE_WITH_TIMEOUT(hours->verticalScrollBar()->value(), 0, 5000);
        QSignalSpy changed(&picker.widget, &QScrollTime::timeChanged);
        const QModelIndex two = hours->model()->index(3 + 2, 0);
        QTest::mouseClick(hours->viewport(), Qt::LeftButton, {}, hours->visualRect(two).center());
        QCOMPARE(hours->verticalScrollBar()->value(), 2 * 35);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(picker.widget.time(), QTime(2, 0, 0));
        // The band row takes no clicks.
        const QModelIndex band = hours->indexAt(QPoint(10, 87 + 17));
        QSignalSpy clicked(hours, &QAbstractItemView::clicked);
        QTest::mouseClick(hours->viewport(), Qt::LeftButton, {}, hours->visualRect(band).center());
        QCOMPARE(clicked.count(), 0);
    }

    void buttons_data()
    {
        QTest::addColumn<QTime>("opened");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("changes");
        QTest::addColumn<int>("cancels");
        QTest::addColumn<QTime>("reported");
        QTest::newRow("confirm on a time") << QTime(8, 30, 0) << "pBScrollConfirm" << 0 << 0 << QTime();
        QTest::newRow("confirm on an empty field") << QTime() << "pBScrollConfirm" << 1 << 0 << QTime(0, 0, 0);
        QTest::newRow("cancel on a time") << QTime(8, 30, 0) << "pBScrollCancel" << 0 << 1 << QTime(8, 30, 0);
        QTest::newRow("cancel on an empty field") << QTime() << "pBScrollCancel" << 0 << 1 << QTime();
    }

    void buttons()
    {
        QFETCH(QTime, opened);
        QFETCH(QString, button);
        QFETCH(int, changes);
        QFETCH(int, cancels);
        QFETCH(QTime, reported);
        Picker picker;
        picker.widget.setTime(QTime(17, 45, 12)); // an earlier opening
        QTRY_COMPARE_WITH_TIMEOUT(picker.inBand("listViewHour"), QStringLiteral("17"), 5000);
        picker.widget.setTime(opened);
        QTRY_COMPARE_WITH_TIMEOUT(picker.list("listViewHour")->verticalScrollBar()->value(),
                                  opened.isValid() ? opened.hour() * 35 : 0, 5000);
        QSignalSpy changed(&picker.widget, &QScrollTime::timeChanged);
        QSignalSpy cancelled(&picker.widget, &QScrollTime::singalCancelClicked);
        picker.press(qPrintable(button));
        QCOMPARE(changed.count(), changes);
        QCOMPARE(cancelled.count(), cancels);
        const QSignalSpy& reporting = changes ? changed : cancelled;
        if (!reporting.isEmpty())
            QCOMPARE(reporting.at(0).at(0).toTime(), reported);
        QVERIFY(picker.widget.isHidden());
    }

    void timeFieldOpensThePopup()
    {
        QWidget window;
        auto* field = new QTimeLineEdit(&window);
        field->setGeometry(20, 20, 108, 28);
        window.resize(300, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(field->focusProxy(), field->popup());
        field->setTime(QTime(9, 15, 30));
        QTest::mouseClick(field, Qt::LeftButton);
        QScrollTimePopup* popup = field->popup();
        QTRY_VERIFY_WITH_TIMEOUT(popup->isVisible(), 5000);
        QCOMPARE(popup->pos(), field->mapToGlobal(QPoint(-12, field->height() - 1)));
        popup->findChild<QPushButton*>(QStringLiteral("pBScrollCancel"))->click();
        QCOMPARE(field->text(), QStringLiteral("09:15:30"));

        // An empty field confirmed without scrolling gets midnight.
        field->setTime(QTime());
        QCOMPARE(field->text(), QString());
        QTest::mouseClick(field, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(popup->isVisible(), 5000);
        popup->findChild<QPushButton*>(QStringLiteral("pBScrollConfirm"))->click();
        QCOMPARE(field->text(), QStringLiteral("00:00:00"));
        QCOMPARE(field->time(), QTime(0, 0, 0));

        // A press on the field while the picker is open only closes the picker.
        QTest::mouseClick(field, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(popup->isVisible(), 5000);
        QTest::mousePress(popup, Qt::LeftButton, {}, popup->mapFromGlobal(field->mapToGlobal(QPoint(5, 5))));
        QVERIFY(!popup->isVisible());
        QVERIFY(popup->testAttribute(Qt::WA_NoMouseReplay));
    }
};

QTEST_MAIN(TestScrollTime)
#include "test_scroll_time.moc"
