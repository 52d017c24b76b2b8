#include "QSimpleSliderNavigation.h"
#include "TabBarAnimation.h"
#include "WidgetTestSupport.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTabBar>
#include <QtTest>

namespace {
const QColor kUnderline(88, 187, 228);
const QColor kBaseline(228, 231, 237);
} // namespace

class TestSimpleSliderNavigation : public QObject
{
    Q_OBJECT

private:
    static void addTabs(QSimpleSliderNavigation& tabs)
    {
        for (const char* name : {"事件", "违法", "交通参数"})
            tabs.addTab(new QLabel(), QString::fromUtf8(name));
        tabs.resize(400, 200);
        tabs.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tabs));
    }

    static int underlineY(QSimpleSliderNavigation& tabs)
    {
        return tabs.tabBar()->pos().y() + tabs.tabBar()->tabRect(tabs.currentIndex()).bottom() + 2;
    }

    static QPoint tabCentre(QSimpleSliderNavigation& tabs, int index) { return tabs.tabBar()->tabRect(index).center(); }

private slots:
    void underlineStartsUnderCurrentTab()
    {
        QSimpleSliderNavigation tabs;
        addTabs(tabs);
        QVERIFY(tabs.findChildren<TabBarAnimation*>().isEmpty());
        const QRect tab = tabs.tabBar()->tabRect(0).translated(tabs.tabBar()->pos());
        const QImage image = tabs.grab().toImage();
        QCOMPARE(image.pixelColor(tab.center().x(), underlineY(tabs)), kUnderline);
        QCOMPARE(image.pixelColor(tab.center().x(), underlineY(tabs) - 1), kUnderline);
        const QRect second = tabs.tabBar()->tabRect(1).translated(tabs.tabBar()->pos());
        QCOMPARE(image.pixelColor(second.center().x(), underlineY(tabs) - 1), kBaseline);
    }

    void leftClickOnAnotherTabSlides()
    {
        QSimpleSliderNavigation tabs;
        addTabs(tabs);
        QSignalSpy changed(&tabs, &QTabWidget::currentChanged);
        QTest::mouseClick(tabs.tabBar(), Qt::LeftButton, {}, tabCentre(tabs, 2));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(tabs.currentIndex(), 2);
        // Once the slide ends the underline sits under the new tab, as wide as it.
        const QRect tab = tabs.tabBar()->tabRect(2).translated(tabs.tabBar()->pos());
        QTRY_COMPARE_WITH_TIMEOUT(WidgetTestSupport::pixel(tabs, QPoint(tab.left() + 1, underlineY(tabs))), kUnderline,
                                  5000);
        const QRect first = tabs.tabBar()->tabRect(0).translated(tabs.tabBar()->pos());
        QCOMPARE(WidgetTestSupport::pixel(tabs, QPoint(first.center().x(), underlineY(tabs) - 1)), kBaseline);
    }

    void pressesThatStartNoSlide_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("onCurrentTab");
        QTest::newRow("left on the current tab") << int(Qt::LeftButton) << true;
        QTest::newRow("right on another tab") << int(Qt::RightButton) << false;
    }

    void pressesThatStartNoSlide()
    {
        QFETCH(int, button);
        QFETCH(bool, onCurrentTab);
        QSimpleSliderNavigation tabs;
        addTabs(tabs);
        QTest::mousePress(tabs.tabBar(), Qt::MouseButton(button), {}, tabCentre(tabs, onCurrentTab ? 0 : 1));
        QVERIFY(tabs.findChildren<TabBarAnimation*>().isEmpty());
        // The animation has no Qt parent, so look at the painting: nothing moves.
        const QRect tab = tabs.tabBar()->tabRect(tabs.currentIndex()).translated(tabs.tabBar()->pos());
        QCOMPARE(WidgetTestSupport::pixel(tabs, QPoint(tab.left() + 1, underlineY(tabs))), kUnderline);
    }

    void programmaticChangeJumps()
    {
        QSimpleSliderNavigation tabs;
        addTabs(tabs);
        tabs.setCurrentIndex(1);
        const QRect tab = tabs.tabBar()->tabRect(1).translated(tabs.tabBar()->pos());
        QCOMPARE(WidgetTestSupport::pixel(tabs, QPoint(tab.left() + 1, underlineY(tabs))), kUnderline);
    }

    void keyboardChangeJumps()
    {
        QSimpleSliderNavigation tabs;
        addTabs(tabs);
        QSignalSpy changed(&tabs, &QTabWidget::currentChanged);
        QTest::keyClick(tabs.tabBar(), Qt::Key_Right);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(tabs.currentIndex(), 1);
        const QRect tab = tabs.tabBar()->tabRect(1).translated(tabs.tabBar()->pos());
        QCOMPARE(WidgetTestSupport::pixel(tabs, QPoint(tab.left() + 1, underlineY(tabs))), kUnderline);
    }

    void emptyTabWidgetPaintsBaseline()
    {
        QSimpleSliderNavigation tabs;
        tabs.resize(200, 100);
        const QImage image = tabs.grab().toImage();
        QCOMPARE(image.pixelColor(100, tabs.tabBar()->pos().y()), kBaseline);
    }
};

QTEST_MAIN(TestSimpleSliderNavigation)
#include "test_simple_slider_navigation.moc"
