#include "QSwitchButton.h"
#include "WidgetTestSupport.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QColor kOn(88, 187, 228);
const QColor kOff(191, 203, 217);
} // namespace

class TestSwitchButton : public QObject
{
    Q_OBJECT

private slots:
    void newSwitchIsOn()
    {
        QSwitchButton button;
        QCOMPARE(button.switchState(), QSwitchButton::on);
        QCOMPARE(int(QSwitchButton::on), 0);
        QCOMPARE(int(QSwitchButton::off), 1);
        QCOMPARE(WidgetTestSupport::sizeHintOf(button), QSize(64, 32));
        QVERIFY(!button.isShowText());
        QCOMPARE(button.crack(), 2);
        QCOMPARE(button.font().family(), QStringLiteral("微软雅黑"));
        QCOMPARE(button.cursor().shape(), Qt::PointingHandCursor);
    }

    void paintsCapsuleAndKnob_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QColor>("capsule");
        QTest::addColumn<int>("knobX");
        QTest::addColumn<int>("freeX");
        QTest::newRow("on") << int(QSwitchButton::on) << kOn << 48 << 14;
        QTest::newRow("off") << int(QSwitchButton::off) << kOff << 16 << 50;
    }

    void paintsCapsuleAndKnob()
    {
        QFETCH(int, state);
        QFETCH(QColor, capsule);
        QFETCH(int, knobX);
        QFETCH(int, freeX);
        QSwitchButton button;
        button.resize(64, 32);
        button.setSwitchState(QSwitchButton::StateFlag(state));
        const QImage image = button.grab().toImage();
        QCOMPARE(image.pixelColor(knobX, 16), QColor(Qt::white));
        QCOMPARE(image.pixelColor(freeX, 16), capsule);
        QVERIFY(image.pixelColor(0, 0) != capsule); // rounded end
    }

    void setSwitchStateEmitsOnlyOnChange()
    {
        QSwitchButton button;
        QSignalSpy changed(&button, &QSwitchButton::stateChanged);
        button.setSwitchState(QSwitchButton::on);
        QCOMPARE(changed.count(), 0);
        button.setSwitchState(QSwitchButton::off);
        button.setSwitchState(QSwitchButton::off);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toInt(), 1);
        QCOMPARE(button.property("switchState").toInt(), 1);
    }

    void mouse_data()
    {
        QTest::addColumn<int>("pressButton");
        QTest::addColumn<int>("releaseButton");
        QTest::addColumn<int>("toggles");
        QTest::newRow("left click") << int(Qt::LeftButton) << int(Qt::LeftButton) << 1;
        QTest::newRow("right click") << int(Qt::RightButton) << int(Qt::RightButton) << 0;
        QTest::newRow("right press, left release") << int(Qt::RightButton) << int(Qt::LeftButton) << 0;
    }

    void mouse()
    {
        QFETCH(int, pressButton);
        QFETCH(int, releaseButton);
        QFETCH(int, toggles);
        QSwitchButton button;
        button.resize(64, 32);
        QSignalSpy changed(&button, &QSwitchButton::stateChanged);
        QTest::mousePress(&button, Qt::MouseButton(pressButton), {}, QPoint(10, 10));
        QTest::mouseRelease(&button, Qt::MouseButton(releaseButton), {}, QPoint(10, 10));
        QCOMPARE(changed.count(), toggles);
        QCOMPARE(button.switchState(), toggles ? QSwitchButton::off : QSwitchButton::on);
        // A second release without a new press does nothing.
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(changed.count(), toggles);
    }

    void releaseOutsideStillToggles()
    {
        QSwitchButton button;
        button.resize(64, 32);
        QSignalSpy changed(&button, &QSwitchButton::stateChanged);
        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(300, 300));
        QCOMPARE(changed.count(), 1);
    }

    void crackIsBounded_data()
    {
        QTest::addColumn<int>("crack");
        QTest::addColumn<int>("stored");
        QTest::newRow("negative") << -1 << 2;
        QTest::newRow("wider than the switch") << 65 << 2;
        QTest::newRow("zero") << 0 << 0;
        QTest::newRow("the width") << 64 << 64;
    }

    void crackIsBounded()
    {
        QFETCH(int, crack);
        QFETCH(int, stored);
        QSwitchButton button;
        button.resize(64, 32);
        button.setCrack(crack);
        QCOMPARE(button.crack(), stored);
    }

    void textStandsAwayFromTheKnob()
    {
        QSwitchButton button;
        button.resize(64, 32);
        button.setStateOnColor(Qt::black);
        button.setStateOffColor(Qt::black);
        button.setSlideBtnColor(Qt::black);
        button.setShowText(true);
        QVERIFY(button.isShowText());
        const auto whiteColumns = [&button](int from, int to) {
            const QImage image = button.grab().toImage();
            int count = 0;
            for (int x = from; x < to; ++x)
                for (int y = 8; y < 24; ++y)
                    count += image.pixelColor(x, y).lightness() > 128;
            return count;
        };
        QVERIFY(whiteColumns(10, 26) > 0); // "开" around x = 18
        QCOMPARE(whiteColumns(37, 53), 0);
        button.setSwitchState(QSwitchButton::off);
        QVERIFY(whiteColumns(37, 53) > 0); // "关" around x = 45
        QCOMPARE(whiteColumns(10, 26), 0);
        button.setShowText(false);
        QCOMPARE(whiteColumns(37, 53), 0);
    }

    // A settings form is filled in at the keyboard: Tab reaches the switch,
    // Space toggles it, and the focused switch shows it has the focus.
    void keyboardReachesAndTogglesSwitch()
    {
        QWidget form;
        auto* before = new QLineEdit(&form);
        auto* button = new QSwitchButton(&form);
        button->setGeometry(0, 40, 64, 32);
        form.resize(120, 80);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        before->setFocus();
        QTRY_VERIFY(before->hasFocus());
        const QImage unfocused = button->grab().toImage();
        QTest::keyClick(before, Qt::Key_Tab);
        QTRY_VERIFY(button->hasFocus());
        QVERIFY(button->grab().toImage() != unfocused);

        QSignalSpy changed(button, &QSwitchButton::stateChanged);
        QTest::keyClick(button, Qt::Key_Space);
        QCOMPARE(button->switchState(), QSwitchButton::off);
        QTest::keyClick(button, Qt::Key_Space);
        QCOMPARE(button->switchState(), QSwitchButton::on);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.at(0).at(0).toInt(), int(QSwitchButton::off));
        QTest::keyClick(button, Qt::Key_A);
        QCOMPARE(changed.count(), 2);
    }

    void colourPropertiesRoundTrip()
    {
        QSwitchButton button;
        button.setStateOnColor(Qt::red);
        button.setStateOffColor(Qt::green);
        button.setSlideBtnColor(Qt::blue);
        QCOMPARE(button.stateOnColor(), QColor(Qt::red));
        QCOMPARE(button.stateOffColor(), QColor(Qt::green));
        QCOMPARE(button.slideBtnColor(), QColor(Qt::blue));
        QFont font(QStringLiteral("Sans"), 9);
        button.setFont(font);
        QCOMPARE(button.font(), font);
        QVERIFY(button.QWidget::font() != font);
    }
};

QTEST_MAIN(TestSwitchButton)
#include "test_switch_button.moc"
