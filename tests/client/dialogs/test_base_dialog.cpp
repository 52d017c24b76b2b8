#include "dialogs/QBaseDialog.h"
#include "DialogTestSupport.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace DialogTestSupport;

namespace {

// A dialog with a title bar as the client's forms have one.
class TitledDialog : public QBaseDialog
{
public:
    explicit TitledDialog(bool withCloseButton = true, QWidget* parent = nullptr) : QBaseDialog(parent)
    {
        resize(400, 300);
        title = new QFrame(this);
        title->setObjectName(QStringLiteral("frameTitle"));
        title->setGeometry(10, 5, 380, 40);
        if (withCloseButton) {
            closeButton = new QToolButton(title);
            closeButton->setObjectName(QStringLiteral("toolButton_close"));
            closeButton->setGeometry(340, 8, 24, 24);
        }
        SetTitleBar(title);
    }

    QFrame* title = nullptr;
    QToolButton* closeButton = nullptr;
};

} // namespace

class TestBaseDialog : public QObject
{
    Q_OBJECT

private slots:
    void framelessTranslucentWithShadowMargins()
    {
        TitledDialog dialog;
        QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(dialog.testAttribute(Qt::WA_TranslucentBackground));
        QCOMPARE(dialog.contentsMargins(), QMargins(10, 5, 10, 15));
    }

    // The shadow fills the margins and leaves the body to the form: the
    // grab of an offscreen dialog (no compositor) shows it.
    void shadowIsPaintedIntoTheMarginsOnly_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("shaded");
        QTest::newRow("top strip") << QPoint(200, 4) << true;
        QTest::newRow("left column") << QPoint(9, 150) << true;
        QTest::newRow("right column at x 390") << QPoint(390, 150) << true;
        QTest::newRow("bottom strip at y 285") << QPoint(200, 285) << true;
        QTest::newRow("bottom right corner") << QPoint(391, 286) << true;
        QTest::newRow("body") << QPoint(200, 150) << false;
        QTest::newRow("body edge left") << QPoint(10, 150) << false;
        QTest::newRow("body edge bottom") << QPoint(200, 284) << false;
    }
    void shadowIsPaintedIntoTheMarginsOnly()
    {
        QFETCH(QPoint, at);
        QFETCH(bool, shaded);
        TitledDialog dialog;
        delete dialog.title;
        const QImage image = dialog.grab().toImage();
        QCOMPARE(image.size(), QSize(400, 300));
        QCOMPARE(qAlpha(image.pixel(at)) > 0, shaded);
    }

    void closeButtonRejectsAModalRun()
    {
        TitledDialog dialog;
        QTimer::singleShot(0, &dialog, [&] { QTest::mouseClick(dialog.closeButton, Qt::LeftButton); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
    }

    void secondTitleBarTakesOverTheCloseConnection()
    {
        TitledDialog dialog;
        auto* second = new QFrame(&dialog);
        auto* row = new QHBoxLayout(second);
        auto* nested = new QWidget(second);
        row->addWidget(nested);
        auto* secondClose = new QToolButton(nested);
        secondClose->setObjectName(QStringLiteral("toolButton_close"));
        dialog.SetTitleBar(second);

        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.show();
        QTest::mouseClick(dialog.closeButton, Qt::LeftButton);
        QVERIFY(dialog.isVisible());
        QCOMPARE(finished.count(), 0);
        secondClose->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(finished.count(), 1);
    }

    void titleWithoutCloseButtonStillDrags()
    {
        TitledDialog dialog(false);
        dialog.move(100, 100);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint start = dialog.pos();
        sendMouse(dialog.title, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(20, 20));
        sendMouse(dialog.title, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, QPoint(50, 35));
        sendMouse(dialog.title, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(50, 35));
        QTRY_COMPARE(dialog.pos(), start + QPoint(30, 15));
    }

    void onlyTheLeftButtonOnTheTitleDrags_data()
    {
        QTest::addColumn<bool>("onTitle");
        QTest::addColumn<int>("button");
        QTest::newRow("right button on the title") << true << int(Qt::RightButton);
        QTest::newRow("left button elsewhere") << false << int(Qt::LeftButton);
    }
    void onlyTheLeftButtonOnTheTitleDrags()
    {
        QFETCH(bool, onTitle);
        QFETCH(int, button);
        TitledDialog dialog;
        auto* body = new QWidget(&dialog);
        body->setGeometry(10, 50, 380, 200);
        dialog.move(100, 100);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint start = dialog.pos();
        QWidget* target = onTitle ? static_cast<QWidget*>(dialog.title) : body;
        const auto pressed = Qt::MouseButton(button);
        sendMouse(target, QEvent::MouseButtonPress, pressed, pressed, QPoint(20, 20));
        sendMouse(target, QEvent::MouseMove, Qt::NoButton, pressed, QPoint(80, 60));
        sendMouse(target, QEvent::MouseButtonRelease, pressed, Qt::NoButton, QPoint(80, 60));
        QCoreApplication::processEvents();
        QCOMPARE(dialog.pos(), start);
    }

    void nullTitleBarClearsTheHooks()
    {
        TitledDialog dialog;
        dialog.SetTitleBar(nullptr);
        dialog.show();
        QTest::mouseClick(dialog.closeButton, Qt::LeftButton);
        QVERIFY(dialog.isVisible());
    }

    void lightBoxWithoutMainWindowIsNotMade()
    {
        TitledDialog dialog;
        dialog.EnableLightBox(nullptr);
        dialog.show();
        QVERIFY(dialog.isVisible());
        dialog.hide();
        QVERIFY(!dialog.isVisible());
    }

    void lightBoxDimsTheMainWindowWhileTheDialogShows()
    {
        QMainWindow window;
        window.resize(300, 200);
        auto* centre = new QWidget(&window);
        centre->setAutoFillBackground(true);
        QPalette palette = centre->palette();
        palette.setColor(QPalette::Window, Qt::white);
        centre->setPalette(palette);
        window.setCentralWidget(centre);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        TitledDialog dialog;
        dialog.EnableLightBox(nullptr);
        const QColor before = pixelOf(window, QPoint(150, 100));
        dialog.show();
        const QColor dimmed = pixelOf(window, QPoint(150, 100));
        QVERIFY2(dimmed.lightness() < before.lightness(), qPrintable(dimmed.name()));
        dialog.hide();
        QCOMPARE(pixelOf(window, QPoint(150, 100)), before);
    }
};

QTEST_MAIN(TestBaseDialog)
#include "test_base_dialog.moc"
