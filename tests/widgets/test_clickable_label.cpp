#include "QClickableLabel.h"

#include <QSignalSpy>
#include <QtTest>

class TestClickableLabel : public QObject
{
    Q_OBJECT

private slots:
    void clicks_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QPoint>("release");
        QTest::addColumn<int>("clicks");
        QTest::newRow("left") << int(Qt::LeftButton) << QPoint(5, 5) << 1;
        QTest::newRow("left, released outside") << int(Qt::LeftButton) << QPoint(500, 5) << 1;
        QTest::newRow("right") << int(Qt::RightButton) << QPoint(5, 5) << 0;
    }

    void clicks()
    {
        QFETCH(int, button);
        QFETCH(QPoint, release);
        QFETCH(int, clicks);
        QClickableLabel label;
        label.resize(40, 20);
        QSignalSpy clicked(&label, &QClickableLabel::clicked);
        QTest::mousePress(&label, Qt::MouseButton(button), {}, QPoint(5, 5));
        QTest::mouseRelease(&label, Qt::MouseButton(button), {}, release);
        QCOMPARE(clicked.count(), clicks);
        QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(clicked.count(), clicks);
    }

    void cursorFollowsEnabledState()
    {
        QClickableLabel label;
        QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
        label.setEnabled(false);
        QCOMPARE(label.cursor().shape(), Qt::ArrowCursor);
        label.setEnabled(true);
        QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
    }

    void pressWhileDisabledIsForgotten()
    {
        QClickableLabel label;
        QSignalSpy clicked(&label, &QClickableLabel::clicked);
        label.setEnabled(false);
        QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(2, 2));
        label.setEnabled(true);
        QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(clicked.count(), 0);
    }
};

QTEST_MAIN(TestClickableLabel)
#include "test_clickable_label.moc"
