#include "QPictureButton.h"
#include "WidgetTestSupport.h"

#include <QMetaProperty>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QColor kBlue(88, 187, 228);
const QColor kPushed(70, 149, 182);
const QColor kHot(121, 200, 233);
const QColor kDisabled(242, 242, 242);

QPixmap square(const QColor& color, int side = 16)
{
    QPixmap pixmap(side, side);
    pixmap.fill(color);
    return pixmap;
}

// Counts paint events, to tell a repaint from none.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};
} // namespace

class TestPictureButton : public QObject
{
    Q_OBJECT

private slots:
    void newButton()
    {
        QPictureButton button;
        QCOMPARE(button.text(), QStringLiteral("pictureButton"));
        QCOMPARE(WidgetTestSupport::sizeHintOf(button), QSize(96, 32));
        QCOMPARE(WidgetTestSupport::minimumSizeHintOf(button), QSize(96, 32));
        button.resize(96, 32);
        QCOMPARE(WidgetTestSupport::pixel(button, QPoint(2, 2)), kBlue);
    }

    void hasTwentyResettableProperties()
    {
        const QMetaObject& meta = QPictureButton::staticMetaObject;
        QCOMPARE(meta.propertyCount() - meta.propertyOffset(), 20);
        for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
            const QMetaProperty property = meta.property(i);
            QVERIFY2(property.isResettable() && property.isWritable() && !property.hasNotifySignal(), property.name());
        }
        QCOMPARE(QString::fromLatin1(meta.property(meta.propertyOffset()).name()), QStringLiteral("textColorNormal"));
        QCOMPARE(QString::fromLatin1(meta.property(meta.propertyCount() - 1).name()),
                 QStringLiteral("isTextPushedBold"));
    }

    void resetValues_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("changed");
        QTest::addColumn<QVariant>("reset");
        QTest::newRow("buttonColorNormal becomes transparent")
            << QByteArray("buttonColorNormal") << QVariant(QColor(Qt::red)) << QVariant(QColor(242, 242, 242, 0));
        QTest::newRow("iconSpace becomes 4") << QByteArray("iconSpace") << QVariant(9) << QVariant(4);
        QTest::newRow("textSpace") << QByteArray("textSpace") << QVariant(9) << QVariant(4);
        QTest::newRow("textColorDisabled")
            << QByteArray("textColorDisabled") << QVariant(QColor(Qt::red)) << QVariant(QColor(204, 204, 204));
        QTest::newRow("buttonColorHot") << QByteArray("buttonColorHot") << QVariant(QColor(Qt::red)) << QVariant(kHot);
        QTest::newRow("borderEnabled") << QByteArray("borderEnabled") << QVariant(true) << QVariant(false);
        QTest::newRow("isTextPushedBold") << QByteArray("isTextPushedBold") << QVariant(false) << QVariant(true);
        QTest::newRow("iconPosition") << QByteArray("iconPosition") << QVariant(int(QPictureButton::Top))
                                      << QVariant(int(QPictureButton::Left));
    }

    void resetValues()
    {
        QFETCH(QByteArray, property);
        QFETCH(QVariant, changed);
        QFETCH(QVariant, reset);
        QPictureButton button;
        QVERIFY(button.setProperty(property, changed));
        QCOMPARE(button.property(property).toString(), changed.toString());
        const QMetaObject& meta = QPictureButton::staticMetaObject;
        QVERIFY(meta.property(meta.indexOfProperty(property)).reset(&button));
        QCOMPARE(button.property(property).toString(), reset.toString());
    }

    void normalResetPaintsNoBackground()
    {
        QWidget parent;
        parent.setStyleSheet(QStringLiteral("background: black;"));
        auto* button = new QPictureButton(&parent);
        button->setText(QString());
        parent.resize(96, 32);
        button->resize(96, 32);
        button->ResetButtonColorNormal();
        QCOMPARE(WidgetTestSupport::pixel(parent, QPoint(5, 5)), QColor(Qt::black));
    }

    void stateChoice_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("hot");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("down");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("picture");
        QTest::newRow("normal") << true << false << false << false << kBlue << QColor(Qt::red);
        QTest::newRow("hot") << true << true << false << false << kHot << QColor(Qt::green);
        QTest::newRow("hot and down") << true << true << false << true << kPushed << QColor(Qt::blue);
        QTest::newRow("checked") << true << false << true << false << kPushed << QColor(Qt::blue);
        QTest::newRow("checked and hot") << true << true << true << false << QColor(1, 2, 3) << QColor(Qt::yellow);
        QTest::newRow("disabled and hot") << false << true << false << false << kDisabled << QColor(Qt::cyan);
    }

    void stateChoice()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, hot);
        QFETCH(bool, checked);
        QFETCH(bool, down);
        QFETCH(QColor, background);
        QFETCH(QColor, picture);
        QPictureButton button;
        button.resize(96, 32);
        button.setText(QString());
        button.SetButtonColorCheckedHot(QColor(1, 2, 3));
        button.SetIconNormal(square(Qt::red));
        button.SetIconHot(square(Qt::green));
        button.SetIconPushed(square(Qt::blue));
        button.SetIconCheckedHot(square(Qt::yellow));
        button.SetIconDisabled(square(Qt::cyan));
        button.setIconSize(QSize(16, 16));
        button.SetIconSpace(4);
        button.setCheckable(true);
        button.setChecked(checked);
        button.setDown(down);
        button.setEnabled(enabled);
        if (hot)
            WidgetTestSupport::enter(button);
        const QImage image = button.grab().toImage();
        QCOMPARE(image.pixelColor(90, 2), background);
        QCOMPARE(image.pixelColor(4 + 8, 16), picture); // left picture, 4 pixels from the edge
    }

    void pushedTextShiftsAndTurnsBold()
    {
        QPictureButton plain;
        plain.resize(96, 32);
        plain.SetButtonColorNormal(Qt::black);
        plain.SetButtonColorPushed(Qt::black);
        plain.setText(QStringLiteral("MMMM"));
        const QImage up = plain.grab().toImage();
        plain.setDown(true);
        const QImage boldDown = plain.grab().toImage();
        plain.SetTextPushedBold(false);
        const QImage thinDown = plain.grab().toImage();
        const auto lit = [](const QImage& image) {
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    count += image.pixelColor(x, y).lightness() > 100;
            return count;
        };
        QVERIFY(lit(boldDown) > lit(thinDown));
        QCOMPARE(lit(thinDown), lit(up));
        // The unbolded pushed text is the normal text moved one pixel right and down.
        bool shifted = true;
        for (int y = 1; y < 31 && shifted; ++y)
            for (int x = 1; x < 95 && shifted; ++x)
                shifted = thinDown.pixelColor(x, y) == up.pixelColor(x - 1, y - 1);
        QVERIFY(shifted);
    }

    void checkableButtonTogglesOncePerClick()
    {
        QPictureButton button;
        button.resize(96, 32);
        button.setCheckable(true);
        QSignalSpy toggled(&button, &QAbstractButton::toggled);
        QSignalSpy clicked(&button, &QAbstractButton::clicked);
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::keyClick(&button, Qt::Key_Space);
        QCOMPARE(clicked.count(), 2);
        QCOMPARE(toggled.count(), 2);
        QCOMPARE(toggled.at(0).at(0).toBool(), true);
        QCOMPARE(toggled.at(1).at(0).toBool(), false);
        button.setChecked(false);
        QCOMPARE(toggled.count(), 2);
    }

    void borderUsesBorderColour()
    {
        QPictureButton button;
        button.resize(96, 32);
        button.SetBorderEnabled(true);
        button.SetBorderColor(Qt::red);
        QCOMPARE(WidgetTestSupport::pixel(button, QPoint(0, 16)), QColor(Qt::red));
    }

    void sizeHints_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("horizontal");
        QTest::newRow("left") << int(QPictureButton::Left) << QStringLiteral("确定") << true;
        QTest::newRow("right") << int(QPictureButton::Right) << QStringLiteral("确定") << true;
        QTest::newRow("top") << int(QPictureButton::Top) << QStringLiteral("确定") << false;
        QTest::newRow("bottom") << int(QPictureButton::Bottom) << QStringLiteral("确定") << false;
    }

    void sizeHints()
    {
        QFETCH(int, position);
        QFETCH(QString, text);
        QFETCH(bool, horizontal);
        QPictureButton button;
        button.setText(text);
        button.SetIconNormal(square(Qt::red, 20));
        button.setIconSize(QSize(20, 20));
        button.SetIconPosition(QPictureButton::EIconPosition(position));
        button.SetIconSpace(3);
        button.SetTextSpace(5);
        const QFontMetrics metrics = button.fontMetrics();
        const QSize textSize = metrics.size(Qt::TextSingleLine, text);
        const int space = metrics.horizontalAdvance(QLatin1Char(' '));
        const QSize expected =
            horizontal ? QSize(textSize.width() + 5 + 20 + 3 + qMax(space, 8), qMax(textSize.height(), 20) + 8)
                       : QSize(qMax(textSize.width() + 2 * space, 20), textSize.height() + 3 + 5 + 20);
        QCOMPARE(WidgetTestSupport::sizeHintOf(button), expected);
        button.setText(QString());
        QCOMPARE(WidgetTestSupport::sizeHintOf(button), QSize(20, 20));
    }

    void repaintsOnlyOnChange()
    {
        QPictureButton button;
        button.resize(96, 32);
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        PaintCounter counter;
        button.installEventFilter(&counter);
        QCoreApplication::processEvents();
        counter.paints = 0;
        button.SetTextColorNormal(Qt::white);
        QCoreApplication::processEvents();
        QCOMPARE(counter.paints, 0);
        button.SetIconNormal(QPixmap());
        QCoreApplication::processEvents();
        QCOMPARE(counter.paints, 1);
    }
};

QTEST_MAIN(TestPictureButton)
#include "test_picture_button.moc"
