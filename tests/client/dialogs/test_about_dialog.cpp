#include "dialogs/AboutDialog.h"
#include "dialogs/DefaultNoDataPic.h"
#include "DialogTestSupport.h"

#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace DialogTestSupport;

class TestAboutDialog : public QObject
{
    Q_OBJECT

private slots:
    void aboutShowsTheGivenVersion_data()
    {
        QTest::addColumn<QString>("version");
        QTest::newRow("plain") << QStringLiteral("V1.0.0 build 20261210");
        QTest::newRow("rich-looking text is shown as given") << QStringLiteral("<b>2.0</b>");
        QTest::newRow("empty") << QString();
    }
    void aboutShowsTheGivenVersion()
    {
        QFETCH(QString, version);
        AboutDialog about(version);
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("labelSoftwareVersion"))->text(), version);
        QCOMPARE(about.windowTitle(), QStringLiteral("关于"));
        QCOMPARE(about.size(), QSize(446, 240));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("labelName"))->text(), QStringLiteral("名称"));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("labelVersion"))->text(), QStringLiteral("版本"));
        QVERIFY(!about.findChild<QLabel*>(QStringLiteral("labelClientName"))->text().isEmpty());
    }

    void aboutClosesFromItsButtonAndDragsByItsTitle()
    {
        AboutDialog about(QStringLiteral("1.0"));
        about.move(80, 80);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        auto* title = about.findChild<QWidget*>(QStringLiteral("frameTitle"));
        const QPoint start = about.pos();
        sendMouse(title, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(60, 20));
        sendMouse(title, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, QPoint(85, 40));
        sendMouse(title, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(85, 40));
        QTRY_COMPARE(about.pos(), start + QPoint(25, 20));
        QSignalSpy rejected(&about, &QDialog::rejected);
        QTest::mouseClick(about.findChild<QToolButton*>(QStringLiteral("toolButton_close")), Qt::LeftButton);
        QVERIFY(!about.isVisible());
        QCOMPARE(rejected.count(), 1);
    }

    void placeholderLiesOverItsParentWithoutFrame()
    {
        QTableWidget table(0, 3);
        table.move(100, 100);
        table.resize(600, 400);
        auto* placeholder = new DefaultNoDataPic(&table);
        QVERIFY(!placeholder->isWindow());
        QCOMPARE(placeholder->windowFlags() & Qt::WindowType_Mask, Qt::Widget);
        placeholder->move(150, 60);
        table.show();
        placeholder->show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        const QPoint before = placeholder->mapToGlobal(QPoint(0, 0));
        table.move(160, 130);
        QTRY_COMPARE(placeholder->mapToGlobal(QPoint(0, 0)), before + QPoint(60, 30));
        auto* picture = placeholder->findChild<QLabel*>(QStringLiteral("label"));
        QCOMPARE(picture->pixmap(Qt::ReturnByValue).size(), QSize(300, 240));
        QCOMPARE(placeholder->findChild<QLabel*>(QStringLiteral("labelDefualt"))->text(), QStringLiteral("无列表数据"));
    }

    void placeholderFollowsTheLanguage()
    {
        DefaultNoDataPic placeholder;
        auto* message = placeholder.findChild<QLabel*>(QStringLiteral("labelDefualt"));
        const qint64 picture =
            placeholder.findChild<QLabel*>(QStringLiteral("label"))->pixmap(Qt::ReturnByValue).cacheKey();
        std::unique_ptr<QTranslator> english = installEnglish();
        QVERIFY(english);
        placeholder.reTranslateUI();
        QCOMPARE(message->text(), QStringLiteral("No data"));
        QCOMPARE(placeholder.findChild<QLabel*>(QStringLiteral("label"))->pixmap(Qt::ReturnByValue).cacheKey(),
                 picture);
        QCoreApplication::removeTranslator(english.get());
        placeholder.reTranslateUI();
        QCOMPARE(message->text(), QStringLiteral("无列表数据"));
    }
};

QTEST_MAIN(TestAboutDialog)
#include "test_about_dialog.moc"
