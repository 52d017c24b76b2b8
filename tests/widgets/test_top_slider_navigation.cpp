#include "QTopSliderNavigation.h"
#include "WidgetTestSupport.h"

#include <QSignalSpy>
#include <QtTest>

class TestTopSliderNavigation : public QObject
{
    Q_OBJECT

private:
    static void addThree(QTopSliderNavigation& bar)
    {
        for (const char* name : {"实时", "查询", "配置"})
            bar.addItem(QString::fromUtf8(name));
    }

    static QPoint centreOfItem(int index) { return QPoint(index * 110 + 46, 24); }

private slots:
    void emptyBarIgnoresEverything()
    {
        QTopSliderNavigation bar;
        QSignalSpy clicked(&bar, &QTopSliderNavigation::itemClicked);
        bar.resize(200, 50);
        QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(bar.setCurrentIndex(0), -1);
        QCOMPARE(clicked.count(), 0);
        QVERIFY(bar.sliderGeometry().isNull());
    }

    void itemsAreLaidOutWithGaps()
    {
        QTopSliderNavigation bar;
        addThree(bar);
        QCOMPARE(bar.minimumSize(), QSize(312, 48));
        bar.resize(312, 48);
        bar.setCurrentIndex(2);
        QCOMPARE(bar.sliderGeometry(), QRectF(220, 0, 92, 48));
    }

    void setCurrentIndex_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("emitted");
        QTest::newRow("first") << 0 << 0 << 1;
        QTest::newRow("last") << 2 << 0 << 1;
        QTest::newRow("negative") << -1 << -1 << 0;
        QTest::newRow("past the end") << 3 << -1 << 0;
    }

    void setCurrentIndex()
    {
        QFETCH(int, index);
        QFETCH(int, result);
        QFETCH(int, emitted);
        QTopSliderNavigation bar;
        addThree(bar);
        QSignalSpy clicked(&bar, &QTopSliderNavigation::itemClicked);
        QCOMPARE(bar.setCurrentIndex(index), result);
        QCOMPARE(clicked.count(), emitted);
        // Selecting the current item again reports nothing.
        QCOMPARE(bar.setCurrentIndex(index), result);
        QCOMPARE(clicked.count(), emitted);
    }

    void firstSelectionJumpsLaterOnesSlide()
    {
        QTopSliderNavigation bar;
        addThree(bar);
        bar.setCurrentIndex(0);
        QCOMPARE(bar.sliderGeometry(), QRectF(0, 0, 92, 48));
        bar.setCurrentIndex(2);
        QCOMPARE(bar.sliderGeometry(), QRectF(0, 0, 92, 48));
        QTRY_COMPARE_WITH_TIMEOUT(bar.sliderGeometry(), QRectF(220, 0, 92, 48), 5000);
    }

    void pressEmitsEvenForTheCurrentItem()
    {
        QTopSliderNavigation bar;
        addThree(bar);
        bar.resize(312, 48);
        QSignalSpy clicked(&bar, &QTopSliderNavigation::itemClicked);
        QTest::mouseClick(&bar, Qt::LeftButton, {}, centreOfItem(1));
        QTest::mouseClick(&bar, Qt::LeftButton, {}, centreOfItem(1));
        QTest::mouseClick(&bar, Qt::RightButton, {}, centreOfItem(0));
        QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(100, 24)); // in the gap
        QCOMPARE(clicked.count(), 3);
        QCOMPARE(clicked.at(0).at(0).toInt(), 1);
        QCOMPARE(clicked.at(1).at(0).toInt(), 1);
        QCOMPARE(clicked.at(2).at(0).toInt(), 0);
    }

    void hiddenItemTakesNoClicks()
    {
        QTopSliderNavigation bar;
        addThree(bar);
        bar.resize(312, 48);
        QCOMPARE(bar.setItemVisible(1, false), 0);
        QCOMPARE(bar.minimumSize(), QSize(312, 48));
        QSignalSpy clicked(&bar, &QTopSliderNavigation::itemClicked);
        // Item 2 moved to where item 1 was; item 1 keeps that rectangle while hidden.
        QTest::mouseClick(&bar, Qt::LeftButton, {}, centreOfItem(1));
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toInt(), 2);
        QTest::mouseClick(&bar, Qt::LeftButton, {}, centreOfItem(2));
        QCOMPARE(clicked.count(), 1);
    }

    void setItemVisibleChecksIndex()
    {
        QTopSliderNavigation bar;
        addThree(bar);
        QCOMPARE(bar.setItemVisible(3, false), -1);
        QCOMPARE(bar.setItemVisible(-1, false), -1);
        QCOMPARE(bar.setItemVisible(0, true), 0);
    }

    void spaceAndItemSize()
    {
        QTopSliderNavigation bar;
        bar.setSpace(-1);
        bar.addItem(QStringLiteral("a"));
        bar.setSpace(4);
        QCOMPARE(bar.minimumSize(), QSize(92, 48)); // one item: stored, no relayout
        bar.addItem(QStringLiteral("b"));
        QCOMPARE(bar.minimumSize(), QSize(188, 48));
        bar.setItemSize(QSize(50, 30));
        QCOMPARE(bar.minimumSize(), QSize(104, 30));
        bar.setCurrentIndex(1);
        QCOMPARE(bar.sliderGeometry(), QRectF(54, 0, 50, 30));
    }

    void clearKeepsSelection()
    {
        QTopSliderNavigation bar;
        addThree(bar);
        bar.setCurrentIndex(0);
        bar.clearItem();
        QCOMPARE(bar.minimumSize(), QSize(312, 48));
        addThree(bar);
        QSignalSpy clicked(&bar, &QTopSliderNavigation::itemClicked);
        QCOMPARE(bar.setCurrentIndex(0), 0);
        QCOMPARE(clicked.count(), 0);
        QCOMPARE(bar.setCurrentIndex(1), 0);
        QTRY_COMPARE_WITH_TIMEOUT(bar.sliderGeometry(), QRectF(110, 0, 92, 48), 5000);
    }

    void paintsSliderAndLine()
    {
        QWidget background;
        background.setStyleSheet(QStringLiteral("background: black;"));
        background.resize(312, 48);
        auto* bar = new QTopSliderNavigation(&background);
        addThree(*bar);
        bar->resize(312, 48);
        bar->setLineWidth(4);
        bar->setSelectItemLineWidth(4);
        QCOMPARE(WidgetTestSupport::pixel(background, QPoint(20, 40)), QColor(Qt::black));
        bar->setCurrentIndex(0);
        const QImage image = background.grab().toImage();
        QCOMPARE(image.pixelColor(20, 1), QColor(43, 248, 207));
        const QColor slider = image.pixelColor(20, 40);
        QVERIFY2(qAbs(slider.red() - 51) <= 2 && slider.red() == slider.blue(), qPrintable(slider.name()));
        QCOMPARE(image.pixelColor(150, 40), QColor(Qt::black));
    }
};

QTEST_MAIN(TestTopSliderNavigation)
#include "test_top_slider_navigation.moc"
