#include "dialogs/BusyWaitDialog.h"
#include "dialogs/MessageInfoDlg.h"
#include "dialogs/OverTip.h"
#include "DialogTestSupport.h"

#include <QFutureWatcher>
#include <QSemaphore>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QtConcurrent>
#include <QtTest>

using namespace DialogTestSupport;

class TestMessageBoxes : public QObject
{
    Q_OBJECT

private slots:
    void messageBoxShowsItsTitleAndText()
    {
        MessageInfoDlg box;
        box.SetText(QStringLiteral("请先切换码流类型"));
        QCOMPARE(box.objectName(), QStringLiteral("MessageInfoDlg"));
        QCOMPARE(box.size(), QSize(446, 240));
        QCOMPARE(box.windowTitle(), QStringLiteral("提示"));
        QCOMPARE(box.findChild<QLabel*>(QStringLiteral("labelAboutDlgName"))->text(), QStringLiteral("提示"));
        auto* text = box.findChild<QLabel*>(QStringLiteral("labelText"));
        QCOMPARE(text->text(), QStringLiteral("请先切换码流类型"));
        QVERIFY(text->wordWrap());
        QCOMPARE(text->alignment(), Qt::AlignCenter);
    }

    void messageBoxClosesFromItsTitle()
    {
        MessageInfoDlg box;
        auto* close = box.findChild<QToolButton*>(QStringLiteral("toolButton_close"));
        QCOMPARE(close->size(), QSize(24, 24));
        QTimer::singleShot(0, &box, [close] { QTest::mouseClick(close, Qt::LeftButton); });
        QCOMPARE(box.exec(), int(QDialog::Rejected));
    }

    void messageBoxDragsByItsTitle()
    {
        MessageInfoDlg box;
        box.move(50, 60);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        auto* title = box.findChild<QWidget*>(QStringLiteral("frameTitle"));
        QCOMPARE(title->height(), 40);
        const QPoint start = box.pos();
        sendMouse(title, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(100, 20));
        sendMouse(title, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, QPoint(140, 10));
        sendMouse(title, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(140, 10));
        QTRY_COMPARE(box.pos(), start + QPoint(40, -10));
    }

    void messageBoxCloseTimerClosesAfterThreeSeconds()
    {
        MessageInfoDlg box;
        box.show();
        QElapsedTimer clock;
        clock.start();
        box.StartCloseTimer();
        QTRY_VERIFY_WITH_TIMEOUT(!box.isVisible(), 6000);
        // A coarse timer may fire up to 5 % early.
        QVERIFY2(clock.elapsed() >= 2850, qPrintable(QString::number(clock.elapsed())));
    }

    void busyFramesRunInOrderAndWrap()
    {
        BusyWaitDialog busy;
        QCOMPARE(busy.CurrentFrame(), 0);
        const QPixmap first = busy.findChild<QLabel*>(QStringLiteral("labelPic"))->pixmap(Qt::ReturnByValue);
        QVERIFY(!first.isNull());
        for (int step = 1; step <= 2 * BusyWaitDialog::kFrameCount + 3; ++step) {
            QVERIFY(QMetaObject::invokeMethod(&busy, "UpdateStatePic"));
            QCOMPARE(busy.CurrentFrame(), step % BusyWaitDialog::kFrameCount);
            const QPixmap shown = busy.findChild<QLabel*>(QStringLiteral("labelPic"))->pixmap(Qt::ReturnByValue);
            QVERIFY2(!shown.isNull(), qPrintable(QString::number(step)));
        }
    }

    void everyLoadingFrameIsAPicture()
    {
        for (int frame = 0; frame < BusyWaitDialog::kFrameCount; ++frame)
            QVERIFY2(!QPixmap(QStringLiteral(":images/loading/loading-white%1").arg(frame)).isNull(),
                     qPrintable(QString::number(frame)));
        QVERIFY(QPixmap(QStringLiteral(":images/loading/loading-white70")).isNull());
    }

    void busyAnimatesOnlyWhileVisible()
    {
        QWidget owner;
        owner.resize(400, 300);
        owner.show();
        auto* busy = new BusyWaitDialog(&owner);
        QCOMPARE(busy->windowFlags() & (Qt::FramelessWindowHint | Qt::CoverWindow),
                 Qt::FramelessWindowHint | Qt::CoverWindow);
        QVERIFY(!busy->IsAnimating());
        QTest::qWait(200);
        QCOMPARE(busy->CurrentFrame(), 0);

        busy->show();
        QVERIFY(busy->IsAnimating());
        QTRY_VERIFY(busy->CurrentFrame() >= 3);
        busy->hide();
        QVERIFY(!busy->IsAnimating());
        const int stopped = busy->CurrentFrame();
        QTest::qWait(200);
        QCOMPARE(busy->CurrentFrame(), stopped);
    }

    void busyVeilIsDarkAndTranslucent()
    {
        BusyWaitDialog busy;
        busy.resize(200, 150);
        busy.show();
        QCOMPARE(QColor::fromRgba(busy.grab().toImage().pixel(5, 5)), QColor(0, 0, 0, 179));
    }

    void busyTipSetWhileHiddenShowsAtTheNextShow()
    {
        BusyWaitDialog busy;
        auto* tip = busy.findChild<QLabel*>(QStringLiteral("labelTip"));
        QCOMPARE(tip->text(), QStringLiteral("TextLabel"));
        busy.SetTipText(QStringLiteral("正在查询，请稍候..."));
        busy.show();
        QVERIFY(tip->isVisible());
        QCOMPARE(tip->text(), QStringLiteral("正在查询，请稍候..."));
    }

    // As the search page uses it: shown while a slow task runs on a worker,
    // hidden when the task reports back; the GUI keeps turning meanwhile.
    void busyShownAroundASlowTask()
    {
        QWidget owner;
        owner.resize(400, 300);
        owner.show();
        auto* busy = new BusyWaitDialog(&owner);
        busy->SetTipText(QStringLiteral("正在导出..."));
        QFutureWatcher<int> watcher;
        connect(&watcher, &QFutureWatcher<int>::finished, busy, &QWidget::hide, Qt::QueuedConnection);
        busy->show();
        QSemaphore release;
        watcher.setFuture(QtConcurrent::run([&release] {
            release.acquire();
            return 42;
        }));
        QTRY_VERIFY(busy->CurrentFrame() >= 2);
        QVERIFY(busy->isVisible());
        release.release();
        QTRY_VERIFY(!busy->isVisible());
        QCOMPARE(watcher.result(), 42);
        QVERIFY(!busy->IsAnimating());
    }

    void overTipShowsItsPicture()
    {
        OverTip tip;
        QVERIFY(tip.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(tip.testAttribute(Qt::WA_TranslucentBackground));
        tip.SetPicture(QStringLiteral(":/images/preview/expandScreen.png"));
        QPixmap shown = tip.findChild<QLabel*>(QStringLiteral("labelPic"))->pixmap(Qt::ReturnByValue);
        QCOMPARE(shown.size(), QSize(32, 32));
        tip.SetPicture(QStringLiteral(":/images/none.png"));
        shown = tip.findChild<QLabel*>(QStringLiteral("labelPic"))->pixmap(Qt::ReturnByValue);
        QVERIFY(shown.isNull());
    }
};

QTEST_MAIN(TestMessageBoxes)
#include "test_message_boxes.moc"
