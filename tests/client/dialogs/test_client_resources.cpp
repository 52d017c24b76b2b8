// Every picture the client's forms and code name is in the client's
// resources, and the application style sheet is there and parses.
#include "DialogTestSupport.h"

#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QRegularExpression>
#include <QStyle>
#include <QToolButton>
#include <QtTest>

using namespace DialogTestSupport;

class TestClientResources : public QObject
{
    Q_OBJECT

private slots:
    void namedPicturesLoad_data()
    {
        QTest::addColumn<QString>("path");
        const char* const named[] = {":/images/close",
                                     ":/images/palyVideo/play.png",
                                     ":/images/palyVideo/playclick.png",
                                     ":/images/palyVideo/playhover.png",
                                     ":/images/preview/clear_click.png",
                                     ":/images/preview/clear_hover.png",
                                     ":/images/preview/clear_normal.png",
                                     ":/images/preview/search_click.png",
                                     ":/images/preview/search_hover.png",
                                     ":/images/preview/search_normal.png",
                                     ":/images/shadow/bottom.png",
                                     ":/images/shadow/left.png",
                                     ":/images/shadow/left_bottom.png",
                                     ":/images/shadow/left_top.png",
                                     ":/images/shadow/right.png",
                                     ":/images/shadow/right_bottom.png",
                                     ":/images/shadow/right_top.png",
                                     ":/images/shadow/top.png",
                                     ":images/PromptTip/prompt_fail.png",
                                     ":images/PromptTip/prompt_succ.png",
                                     ":images/PromptTip/prompt_tips.png",
                                     ":images/PromptTip/prompt_warm.png",
                                     ":images/default/noPic.png",
                                     ":images/default/noTableData.png",
                                     ":images/default/noVideo.png",
                                     ":images/incidentType/Congestion.png",
                                     ":images/incidentType/LinePressing.png",
                                     ":images/incidentType/ObjectsDroppedDown.png",
                                     ":images/incidentType/QueueJumping.png",
                                     ":images/incidentType/WrongWayDriving.png",
                                     ":images/incidentType/accident.png",
                                     ":images/incidentType/changeLane.png",
                                     ":images/incidentType/construction.png",
                                     ":images/incidentType/fire.png",
                                     ":images/incidentType/illegallyPark.png",
                                     ":images/incidentType/lowSpeed.png",
                                     ":images/incidentType/pedestrian.png",
                                     ":images/incidentType/roadBlock.png",
                                     ":images/incidentType/smog.png",
                                     ":images/incidentType/turnRound.png",
                                     ":images/incidentType/vehicleViolation.png",
                                     ":images/incidentType/visibility.png",
                                     ":images/mainLogo.ico",
                                     ":images/preview/centreDevice.png",
                                     ":images/preview/closeAll.png",
                                     ":images/preview/crossDevice.png",
                                     ":images/preview/exceptionChannel.png",
                                     ":images/preview/expandScreen.png",
                                     ":images/preview/generalChannel.png",
                                     ":images/preview/kvorLogo.png",
                                     ":images/preview/leftNavigationEdit.png",
                                     ":images/preview/leftNavigationPlay.png",
                                     ":images/preview/previewChannel.png",
                                     ":images/preview/previewFailed.png",
                                     ":images/preview/refreshDevice.png",
                                     ":images/preview/singleRefreshDevice.png",
                                     ":images/preview/splitscreen.png",
                                     ":images/preview/timeBg.png",
                                     ":images/preview/version",
                                     ":images/preview/titlemark.png"};
        for (const char* path : named)
            QTest::newRow(path) << QString::fromLatin1(path);
        // Picture buttons named without extension find a picture per state.
        for (const char* base :
             {":images/preview/addDevice", ":images/preview/deleteDevice", ":images/preview/playAll",
              ":images/preview/closeAll", ":images/preview/quickConfig", ":images/preview/set", ":/images/close"})
            for (const char* state : {"", "_hover", "_pressed", "_disabled"})
                QTest::newRow(qPrintable(QString::fromLatin1(base) + QLatin1String(state)))
                    << QString::fromLatin1(base) + QLatin1String(state);
        for (const char* button : {"play", "pause", "stop", "onebyone", "onebyoneback", "speedup", "speeddown"})
            for (const char* look : {"", "hover", "click"})
                QTest::newRow(qPrintable(QStringLiteral("%1%2").arg(QLatin1String(button), QLatin1String(look))))
                    << QStringLiteral(":/images/palyVideo/%1%2.png").arg(QLatin1String(button), QLatin1String(look));
    }
    void namedPicturesLoad()
    {
        QFETCH(QString, path);
        QVERIFY2(!QPixmap(path).isNull(), qPrintable(path));
    }

    // Sprites of four 24-pixel bands (normal, hover, pressed, disabled) and the
    // five split layouts of 32 pixels each.
    void stripsHaveTheirBands_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        for (const char* sprite : {":images/preview/leftNavigationPlay.png", ":images/preview/closeAll.png",
                                   ":images/preview/leftNavigationEdit.png", ":images/preview/singleRefreshDevice.png",
                                   ":images/preview/refreshDevice.png", ":images/preview/version"})
            QTest::newRow(sprite) << QString::fromLatin1(sprite) << QSize(24, 96);
        QTest::newRow("split layouts") << QStringLiteral(":images/preview/splitscreen.png") << QSize(32, 160);
        QTest::newRow("toast") << QStringLiteral(":images/PromptTip/prompt_tips.png") << QSize(320, 60);
        QTest::newRow("placeholder") << QStringLiteral(":images/default/noTableData.png") << QSize(300, 240);
    }
    void stripsHaveTheirBands()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QCOMPARE(QImageReader(path).size(), size);
    }

    void mainLogoIsAnIcon()
    {
        QImageReader reader(QStringLiteral(":images/mainLogo.ico"));
        QCOMPARE(reader.format(), QByteArray("ico"));
        QVERIFY(!QIcon(QStringLiteral(":images/mainLogo.ico")).isNull());
    }

    void styleSheetUrlsNameExistingPictures()
    {
        QFile file(QStringLiteral(":/stylesheet.css"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString sheet = QString::fromUtf8(file.readAll());
        const QRegularExpression url(QStringLiteral("url\\(([^)]+)\\)"));
        int count = 0;
        for (auto match = url.globalMatch(sheet); match.hasNext(); ++count) {
            const QString path = match.next().captured(1);
            QVERIFY2(!QPixmap(path).isNull(), qPrintable(path));
        }
        QVERIFY(count > 20);
    }

    void styleSheetGivesTheCloseButtonItsPicture()
    {
        QVERIFY(applyApplicationStyleSheet());
        QWidget bare;
        bare.resize(40, 40);
        QToolButton plain(&bare);
        plain.setGeometry(8, 8, 24, 24);
        const QImage without = bare.grab().toImage();
        plain.setObjectName(QStringLiteral("toolButton_close"));
        plain.setStyleSheet(QString());
        plain.style()->unpolish(&plain);
        plain.style()->polish(&plain);
        QVERIFY(bare.grab().toImage() != without);
        qApp->setStyleSheet(QString());
    }
};

QTEST_MAIN(TestClientResources)
#include "test_client_resources.moc"
