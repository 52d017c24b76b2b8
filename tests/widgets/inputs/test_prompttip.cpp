#include "PromptTip.h"
#include "QIconPushButton.h"
#include "QPromptWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QtTest>

namespace {
// Qt's default (coarse) timers may fire up to 5 % before their time.
qint64 earliestFiring(int msec)
{
    return msec - msec / 20;
}
} // namespace

class TestPromptTip : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void emptyTextWithoutTipCreatesNothing();
    void thousandQuickCallsLeaveOneWindow();
    void displayTimeIsHonoured();
    void sameMessageDoesNotRestartTimer();
    void newTextReplacesInPlaceAndRestartsTimer();
    void emptyTextClosesShortly();
    void placement_data();
    void placement();
    void closeButtonClosesAtOnce();
    void anchorDestroyedWhileShown();

private:
    static int tipWindows();
    static QString shownText();

    QWidget* m_anchor = nullptr;
};

void TestPromptTip::init()
{
    m_anchor = new QWidget;
    m_anchor->setGeometry(100, 100, 600, 400);
    m_anchor->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_anchor));
}

void TestPromptTip::cleanup()
{
    delete QPromptWidget::current();
    delete m_anchor;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int TestPromptTip::tipWindows()
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += qobject_cast<QPromptWidget*>(widget) ? 1 : 0;
    return count;
}

QString TestPromptTip::shownText()
{
    QPromptWidget* tip = QPromptWidget::current();
    return tip ? tip->findChild<QLabel*>(QStringLiteral("labelText"))->text() : QString();
}

void TestPromptTip::emptyTextWithoutTipCreatesNothing()
{
    PromptTip::showText(PromptTip::Tip, QString(), m_anchor, QPoint(), 3000);
    QCOMPARE(QPromptWidget::current(), nullptr);
    QCOMPARE(tipWindows(), 0);
}

void TestPromptTip::thousandQuickCallsLeaveOneWindow()
{
    const PromptTip::MsgType types[] = {PromptTip::Tip, PromptTip::Warning, PromptTip::Failure, PromptTip::Success};
    for (int i = 0; i < 1000; ++i) {
        const QString text = i % 7 == 0 ? QString() : QStringLiteral("message %1").arg(i % 13);
        PromptTip::showText(types[i % 4], text, m_anchor, QPoint(i % 3, 0), 3000);
        // Every so often the user closes the tip and the next call builds a new one.
        if (i % 100 == 50 && QPromptWidget::current())
            QPromptWidget::current()->findChild<QIconPushButton*>()->click();
        if (i % 10 == 0)
            QCoreApplication::processEvents();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(tipWindows(), 1);
    QVERIFY(QPromptWidget::current()->isVisible());
    QCOMPARE(QPromptWidget::current()->objectName(), QStringLiteral("qprompt_tip"));
}

void TestPromptTip::displayTimeIsHonoured()
{
    QElapsedTimer clock;
    clock.start();
    PromptTip::showText(PromptTip::Success, QStringLiteral("saved"), m_anchor, QPoint(), 600);
    QPointer<QPromptWidget> tip = QPromptWidget::current();
    QVERIFY(tip && tip->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!tip, 10000);
    QVERIFY(clock.elapsed() >= earliestFiring(600));
    QCOMPARE(tipWindows(), 0);
}

void TestPromptTip::sameMessageDoesNotRestartTimer()
{
    // Display times leave a second of slack either way for a loaded machine.
    const int displayTime = 3000;
    QElapsedTimer clock;
    clock.start();
    PromptTip::showText(PromptTip::Tip, QStringLiteral("device offline"), m_anchor, QPoint(10, 10), displayTime);
    QPointer<QPromptWidget> tip = QPromptWidget::current();
    QTest::qWait(1000);
    QVERIFY(tip);
    const qint64 secondCall = clock.elapsed();
    PromptTip::showText(PromptTip::Tip, QStringLiteral("device offline"), m_anchor, QPoint(10, 10), displayTime);
    QCOMPARE(QPromptWidget::current(), tip.data());
    QTRY_VERIFY_WITH_TIMEOUT(!tip, 15000);
    // A restarted timer could not have fired before the second call's display time.
    QVERIFY2(clock.elapsed() < secondCall + displayTime, qPrintable(QString::number(clock.elapsed() - secondCall)));
}

void TestPromptTip::newTextReplacesInPlaceAndRestartsTimer()
{
    const int firstTime = 1500;
    const int secondTime = 3000;
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    PromptTip::showText(PromptTip::Tip, QStringLiteral("first"), m_anchor, QPoint(), firstTime);
    QPointer<QPromptWidget> tip = QPromptWidget::current();
    QTest::qWait(500);
    QElapsedTimer sinceUpdate;
    sinceUpdate.start();
    PromptTip::showText(PromptTip::Warning, QStringLiteral("second"), m_anchor, QPoint(), secondTime);
    QCOMPARE(QPromptWidget::current(), tip.data());
    QCOMPARE(shownText(), QStringLiteral("second"));
    // Past the first call's display time the tip must still be up.
    QTest::qWait(qMax(0, int(firstTime + 300 - sinceFirst.elapsed())));
    if (sinceUpdate.elapsed() < secondTime)
        QVERIFY(tip);
    QTRY_VERIFY_WITH_TIMEOUT(!tip, 15000);
    QVERIFY(sinceUpdate.elapsed() >= earliestFiring(secondTime));
}

void TestPromptTip::emptyTextClosesShortly()
{
    PromptTip::showText(PromptTip::Tip, QStringLiteral("busy"), m_anchor, QPoint(), 60000);
    QPointer<QPromptWidget> tip = QPromptWidget::current();
    QElapsedTimer clock;
    clock.start();
    PromptTip::showText(PromptTip::Tip, QString(), m_anchor, QPoint(), 60000);
    QVERIFY(tip && tip->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!tip, 10000);
    QVERIFY(clock.elapsed() >= earliestFiring(300));
}

void TestPromptTip::placement_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<QPoint>("expected");

    QTest::newRow("centred") << QPoint(0, 0) << QPoint((600 - 320) / 2, (400 - 60) / 2);
    QTest::newRow("relative") << QPoint(20, 30) << QPoint(20, 30);
    QTest::newRow("x only") << QPoint(0, 30) << QPoint(0, 30);
}

void TestPromptTip::placement()
{
    QFETCH(QPoint, pos);
    QFETCH(QPoint, expected);

    PromptTip::showText(PromptTip::Tip, QStringLiteral("here"), m_anchor, pos, 60000);
    QPromptWidget* tip = QPromptWidget::current();
    QVERIFY(tip);
    QCOMPARE(tip->size(), QSize(320, 60));
    QCOMPARE(tip->pos(), m_anchor->mapToGlobal(expected));
}

void TestPromptTip::closeButtonClosesAtOnce()
{
    PromptTip::showText(PromptTip::Failure, QStringLiteral("login failed"), m_anchor, QPoint(), 60000);
    QPointer<QPromptWidget> tip = QPromptWidget::current();
    auto* close = tip->findChild<QIconPushButton*>(QStringLiteral("closeBtn"));
    QVERIFY(close);
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!tip->isVisible());
    QTRY_VERIFY(!tip);
    QCOMPARE(QPromptWidget::current(), nullptr);

    PromptTip::showText(PromptTip::Failure, QStringLiteral("login failed"), m_anchor, QPoint(), 60000);
    QVERIFY(QPromptWidget::current());
    QVERIFY(QPromptWidget::current() != tip.data());
}

void TestPromptTip::anchorDestroyedWhileShown()
{
    auto* anchor = new QWidget;
    anchor->resize(300, 200);
    PromptTip::showText(PromptTip::Tip, QStringLiteral("one"), anchor, QPoint(), 60000);
    delete anchor;
    PromptTip::showText(PromptTip::Tip, QStringLiteral("two"), nullptr, QPoint(5, 5), 60000);
    QCOMPARE(shownText(), QStringLiteral("two"));
    QCOMPARE(tipWindows(), 1);
}

QTEST_MAIN(TestPromptTip)
#include "test_prompttip.moc"
