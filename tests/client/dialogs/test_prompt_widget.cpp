#include "dialogs/QPromptWidget.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QtTest>

namespace {

QLabel* messageLabel()
{
    return QPromptWidget::Current() ? QPromptWidget::Current()->findChild<QLabel*>(QStringLiteral("labMsg")) : nullptr;
}

} // namespace

class TestPromptWidget : public QObject
{
    Q_OBJECT

private:
    QWidget* m_window = nullptr;

    static void waitUntilGone() { QTRY_VERIFY_WITH_TIMEOUT(QPromptWidget::Current() == nullptr, 5000); }

private slots:
    void init()
    {
        m_window = new QWidget;
        m_window->setGeometry(200, 150, 640, 480);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }

    void cleanup()
    {
        delete QPromptWidget::Current();
        delete m_window;
    }

    void showsTheTextCentredOverTheParentAndGoesAfterItsTime()
    {
        QElapsedTimer clock;
        clock.start();
        QPromptWidget::ShowPrompt(QPromptWidget::Succ, QStringLiteral("保存配置参数成功"), m_window, 200);
        QPointer<QPromptWidget> prompt = QPromptWidget::Current();
        QVERIFY(prompt);
        QVERIFY(prompt->isVisible());
        QCOMPARE(prompt->objectName(), QStringLiteral("qprompt_tip"));
        QCOMPARE(prompt->size(), QSize(320, 60));
        QCOMPARE(prompt->windowFlags(), Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        QVERIFY(!prompt->parent());
        QCOMPARE(messageLabel()->text(), QStringLiteral("保存配置参数成功"));
        QVERIFY(messageLabel()->styleSheet().contains(QStringLiteral("prompt_succ.png")));
        QCOMPARE(prompt->pos(), m_window->mapToGlobal(QPoint((640 - 320) / 2, (480 - 60) / 2)));

        waitUntilGone();
        QVERIFY(prompt.isNull());
        // A coarse timer may fire up to 5 % early.
        QVERIFY(clock.elapsed() >= 190);
    }

    void sameCallAgainDoesNotExtendTheTime()
    {
        QPromptWidget::ShowPrompt(QPromptWidget::Warm, QStringLiteral("设备已存在"), m_window, 300);
        QPointer<QPromptWidget> first = QPromptWidget::Current();
        QElapsedTimer clock;
        clock.start();
        QTest::qWait(150);
        QPromptWidget::ShowPrompt(QPromptWidget::Warm, QStringLiteral("设备已存在"), m_window, 3000);
        QCOMPARE(QPromptWidget::Current(), first.data());
        waitUntilGone();
        QVERIFY(clock.elapsed() < 2000);
    }

    void newTextChangesTheSameWindowAndRestartsTheTime()
    {
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, QStringLiteral("正在获取设备通道信息，请稍候..."), m_window,
                                  300);
        QPointer<QPromptWidget> first = QPromptWidget::Current();
        QWidget other;
        other.setGeometry(500, 400, 400, 300);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        QPromptWidget::ShowPrompt(QPromptWidget::Fail, QStringLiteral("登录失败"), &other, 600);
        QCOMPARE(QPromptWidget::Current(), first.data());
        QCOMPARE(messageLabel()->text(), QStringLiteral("登录失败"));
        QVERIFY(messageLabel()->styleSheet().contains(QStringLiteral("prompt_fail.png")));
        QCOMPARE(first->pos(), other.mapToGlobal(QPoint((400 - 320) / 2, (300 - 60) / 2)));
        QTest::qWait(400);
        QVERIFY(first);
        waitUntilGone();
    }

    void emptyTextClosesAVisibleToastSoon()
    {
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, QString(), m_window, 3000);
        QVERIFY(!QPromptWidget::Current());

        QPromptWidget::ShowPrompt(QPromptWidget::Tips, QStringLiteral("提示"), m_window, 60000);
        QElapsedTimer clock;
        clock.start();
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, QString(), m_window, 3000);
        QTest::qWait(250);
        // A second empty call does not restart the 300 ms: had it done so,
        // the toast would live at least 300 ms past it.
        const qint64 second = clock.elapsed();
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, QString(), m_window, 3000);
        waitUntilGone();
        QVERIFY2(clock.elapsed() >= 285 && clock.elapsed() < second + 285,
                 qPrintable(QStringLiteral("%1 %2").arg(clock.elapsed()).arg(second)));
    }

    void clickOnTheKindPictureCloses_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("closes");
        QTest::newRow("picture corner (10, 6)") << QPoint(10, 6) << true;
        QTest::newRow("picture corner (50, 46)") << QPoint(50, 46) << true;
        QTest::newRow("right of it (51, 6)") << QPoint(51, 6) << false;
        QTest::newRow("below it (10, 47)") << QPoint(10, 47) << false;
    }
    void clickOnTheKindPictureCloses()
    {
        QFETCH(QPoint, at);
        QFETCH(bool, closes);
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, QStringLiteral("提示"), m_window, 60000);
        QPointer<QPromptWidget> prompt = QPromptWidget::Current();
        QTest::mouseClick(prompt, Qt::LeftButton, Qt::NoModifier, at);
        if (closes) {
            waitUntilGone();
        } else {
            QTest::qWait(500);
            QVERIFY(prompt);
            QVERIFY(prompt->isVisible());
        }
    }

    void aLongTextIsShownWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("Chinese with a path")
            << QStringLiteral("导出失败：0条导出成功30条导出失败 (no file chosen: "
                              "/home/operator/交通参数/导出/TrafficParam_20261201080000123.csv)");
        QTest::newRow("English") << QStringLiteral("Export failed: 0 rows exported, 30 rows failed (cannot open "
                                                   "/srv/data/traffic/TrafficParam.csv: Permission denied)");
    }
    void aLongTextIsShownWhole()
    {
        QFETCH(QString, text);
        QPromptWidget::ShowPrompt(QPromptWidget::Fail, text, m_window, 60000);
        QPromptWidget* prompt = QPromptWidget::Current();
        QVERIFY(prompt);
        QLabel* label = messageLabel();
        QVERIFY(label->wordWrap());
        QCOMPARE(prompt->width(), 320);
        QVERIFY(prompt->height() > 60);
        // Every line of the wrapped text fits in the label's text area.
        const QRect area = label->contentsRect();
        const QRect needed = label->fontMetrics().boundingRect(area, Qt::TextWordWrap | int(label->alignment()), text);
        QVERIFY2(area.contains(needed), qPrintable(QStringLiteral("needs %1x%2 at %3,%4, has %5x%6 at %7,%8")
                                                       .arg(needed.width())
                                                       .arg(needed.height())
                                                       .arg(needed.x())
                                                       .arg(needed.y())
                                                       .arg(area.width())
                                                       .arg(area.height())
                                                       .arg(area.x())
                                                       .arg(area.y())));
        const QString tag = QString::fromUtf8(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
        QVERIFY(prompt->grab().save(QStringLiteral(CORVANE_BIN_DIR "/../prompt-long-%1.png").arg(tag)));
        // A short text afterwards takes the toast back to its size.
        QPromptWidget::ShowPrompt(QPromptWidget::Succ, QStringLiteral("保存配置参数成功"), m_window, 60000);
        QCOMPARE(prompt->size(), QSize(320, 60));
        QVERIFY(!label->wordWrap());
    }

    void richTextWrapsPlainTextDoesNot()
    {
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, QStringLiteral("plain"), m_window, 60000);
        QVERIFY(!messageLabel()->wordWrap());
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, QStringLiteral("<b>bold</b> text"), m_window, 60000);
        QVERIFY(messageLabel()->wordWrap());
    }

    void unknownKindKeepsThePicture()
    {
        QPromptWidget::ShowPrompt(static_cast<QPromptWidget::MsgType>(7), QStringLiteral("x"), nullptr, 60000);
        QVERIFY(messageLabel()->styleSheet().contains(QStringLiteral("prompt_tips.png")));
        QVERIFY(messageLabel()->styleSheet().contains(QStringLiteral("padding-left: 60px")));
        QPromptWidget::ShowPrompt(QPromptWidget::Warm, QStringLiteral("y"), nullptr, 60000);
        QPromptWidget::ShowPrompt(static_cast<QPromptWidget::MsgType>(9), QStringLiteral("z"), nullptr, 60000);
        QVERIFY(messageLabel()->styleSheet().contains(QStringLiteral("prompt_warm.png")));
    }

    void hiddenToastIsReplacedByANewOne()
    {
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, QStringLiteral("one"), m_window, 60000);
        QPointer<QPromptWidget> first = QPromptWidget::Current();
        first->hide();
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, QStringLiteral("two"), m_window, 60000);
        QVERIFY(first.isNull());
        QVERIFY(QPromptWidget::Current()->isVisible());
    }

    // The toast has no Qt parent: the window that asked may go first.
    void parentDestroyedFirstLeavesOneDeletion()
    {
        auto* asking = new QWidget;
        asking->resize(300, 200);
        asking->show();
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, QStringLiteral("一"), asking, 200);
        QPointer<QPromptWidget> prompt = QPromptWidget::Current();
        delete asking;
        QVERIFY(prompt);
        // Compares against the gone parent without touching it.
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, QStringLiteral("一"), m_window, 200);
        QVERIFY(prompt);
        QSignalSpy destroyed(prompt.data(), &QObject::destroyed);
        waitUntilGone();
        QCOMPARE(destroyed.count(), 1);
    }

    // Fired timers and a newer toast meet the same one: it goes once.
    void newerToastDeletesAClosingOneOnce()
    {
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, QStringLiteral("a"), m_window, 60000);
        QPointer<QPromptWidget> first = QPromptWidget::Current();
        QSignalSpy destroyed(first.data(), &QObject::destroyed);
        // As its timer leaves it: closed, its deferred deletion pending.
        first->close();
        first->deleteLater();
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, QStringLiteral("b"), m_window, 60000);
        QVERIFY(first.isNull());
        QCOMPARE(destroyed.count(), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(QPromptWidget::Current());
        QVERIFY(QPromptWidget::Current()->isVisible());
    }
};

QTEST_MAIN(TestPromptWidget)
#include "test_prompt_widget.moc"
