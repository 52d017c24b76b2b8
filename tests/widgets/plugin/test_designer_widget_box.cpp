#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QLibraryInfo>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

// Qt Designer started as a user starts it, with the plug-in path set: it must
// load the library without complaint and show the collection in its widget box.
class TestDesignerWidgetBox : public QObject
{
    Q_OBJECT

private slots:
    void designerLoadsCollection();

private:
    static bool screenShowsDesigner(QImage* shot);
};

bool TestDesignerWidgetBox::screenShowsDesigner(QImage* shot)
{
    *shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    // An empty X screen is one colour; Designer's windows are not.
    const QRgb first = shot->pixel(0, 0);
    for (int y = 0; y < shot->height(); y += 7) {
        for (int x = 0; x < shot->width(); x += 7) {
            if (shot->pixel(x, y) != first)
                return true;
        }
    }
    return false;
}

void TestDesignerWidgetBox::designerLoadsCollection()
{
    const QString designer = QLibraryInfo::location(QLibraryInfo::BinariesPath) + QStringLiteral("/designer");
    QVERIFY2(QFileInfo::exists(designer), qPrintable(designer));
    QTemporaryDir home;
    QVERIFY(home.isValid());

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_DEBUG_PLUGINS"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // Fresh settings: no layout or plug-in list from an earlier run.
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(designer, QStringList());
    QVERIFY2(process.waitForStarted(30000), qPrintable(process.errorString()));

    QByteArray output;
    const auto loadedLine = [&output] {
        return output.contains("loaded library") && output.contains("designer/libFerrowix.so");
    };
    QElapsedTimer clock;
    clock.start();
    while (!loadedLine() && process.state() == QProcess::Running && clock.elapsed() < 90000) {
        process.waitForReadyRead(1000);
        output += process.readAll();
    }
    // Let the main window and its widget box finish painting.
    QImage shot;
    QTRY_VERIFY_WITH_TIMEOUT(screenShowsDesigner(&shot), 30000);
    QTest::qWait(3000);
    screenShowsDesigner(&shot);
    shot.save(QStringLiteral(FERROWIX_DESIGNER_SCREENSHOT));
    output += process.readAll();
    const bool running = process.state() == QProcess::Running;
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(10000);
    }
    output += process.readAll();

    const QString log = QString::fromLocal8Bit(output);
    QVERIFY2(running, qPrintable(log.right(3000)));
    QVERIFY2(loadedLine(), qPrintable(log.right(3000)));
    for (const QString& line : log.split(QLatin1Char('\n'))) {
        const bool ours = line.contains(QLatin1String("Ferrowix")) || line.contains(QLatin1String("custom widget"));
        QVERIFY2(!(ours && (line.contains(QLatin1String("Cannot")) || line.contains(QLatin1String("failed"))
                            || line.contains(QLatin1String("mismatch")))),
                 qPrintable(line));
    }
}

QTEST_MAIN(TestDesignerWidgetBox)
#include "test_designer_widget_box.moc"
