// The pop-ups with rounded corners and painted shadows, as an X server without
// a compositing window manager shows them. Only a grab of the screen sees what
// the server shows: a widget's own grab() is painted in memory and always blends.
#include "PromptTip.h"
#include "QScrollTimePopup.h"
#include "QStyledComboBox.h"
#include "TranslucentWindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

namespace {

// What the screen shows where `window` lies.
QImage onScreen(const QWidget* window)
{
    const QRect area = window->geometry();
    return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

// The corners are where a see-through window shows black without a compositor.
QString darkCorner(const QImage& image)
{
    if (image.isNull())
        return QStringLiteral("nothing on screen");
    const int right = image.width() - 1;
    const int bottom = image.height() - 1;
    for (const QPoint& corner : {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom)}) {
        const QColor colour = image.pixelColor(corner);
        if (colour.lightness() < 160)
            return QStringLiteral("corner (%1, %2) is %3").arg(corner.x()).arg(corner.y()).arg(colour.name());
    }
    return QString();
}

QWidget* visibleTip()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("qprompt_tip") && window->isVisible())
            return window;
    }
    return nullptr;
}

} // namespace

class TestOpaquePopups : public QObject
{
    Q_OBJECT

private:
    QWidget m_anchor;

    // Waits until the screen shows `window` with light corners.
    static void verifyCornersLight(QWidget* window)
    {
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QString fault;
        QTRY_VERIFY2_WITH_TIMEOUT((fault = darkCorner(onScreen(window))).isEmpty(), qPrintable(fault), 5000);
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        // The test server runs no compositing manager: the case the pop-ups must handle.
        QVERIFY(!TranslucentWindow::isSupported());
        // Dark, so that a light corner can only be the pop-up's own paint.
        m_anchor.setStyleSheet(QStringLiteral("QWidget#anchor {background: rgb(40, 90, 40);}"));
        m_anchor.setObjectName(QStringLiteral("anchor"));
        m_anchor.setGeometry(100, 100, 500, 400);
        m_anchor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_anchor));
    }

    void styledComboBoxList()
    {
        auto* combo = new QStyledComboBox(&m_anchor);
        combo->addItems({QStringLiteral("全部"), QStringLiteral("事件"), QStringLiteral("违法")});
        combo->setGeometry(20, 20, 160, 30);
        combo->show();
        combo->showPopup();
        QWidget* container = combo->view()->parentWidget();
        QTRY_VERIFY(container->isVisible());
        verifyCornersLight(container);
        combo->hidePopup();
        delete combo;
    }

    void timePickerPopup()
    {
        QScrollTimePopup popup(&m_anchor);
        popup.setTime(QTime(13, 5, 0));
        popup.move(m_anchor.mapToGlobal(QPoint(20, 60)));
        popup.show();
        verifyCornersLight(&popup);
        popup.hide();
    }

    void promptTip()
    {
        PromptTip::showText(PromptTip::Warning, QStringLiteral("请输入正确的IP地址"), &m_anchor, QPoint(), 10000);
        QWidget* tip = visibleTip();
        QVERIFY(tip);
        verifyCornersLight(tip);
        PromptTip::showText(PromptTip::Warning, QString(), &m_anchor, QPoint(), 0);
        QTRY_VERIFY(!visibleTip());
    }
};

QTEST_MAIN(TestOpaquePopups)
#include "test_opaque_popups.moc"
