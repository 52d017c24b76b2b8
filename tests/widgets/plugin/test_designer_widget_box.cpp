#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLibraryInfo>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

// Qt Designer started as a user starts it, with the plug-in path set: it must
// load the library without complaint and show the collection in its widget box.
class TestDesignerWidgetBox : public QObject
{
    Q_OBJECT

private slots:
    void designerShowsCollection();

private:
    struct Run
    {
        QImage screen;
        QString log;
        bool stayedUp = false;
    };
    static Run runDesigner(bool withPlugin);
    static void writeDesignerSettings(const QString& folder);
    static bool screenIsDrawn(const QImage& shot);
};

// Designer's settings for the run: no new-form dialog over the window, and the
// standard widget groups closed so that the library's group is in view.
void TestDesignerWidgetBox::writeDesignerSettings(const QString& folder)
{
    QDir().mkpath(folder);
    QFile settings(QDir(folder).filePath(QStringLiteral("Designer.conf")));
    if (!settings.open(QIODevice::WriteOnly))
        return;
    settings.write("[newFormDialog]\nShowOnStartup=false\n\n[WidgetBox]\n"
                   "Closed categories=Layouts, Spacers, Buttons, Item Views (Model-Based), "
                   "Item Widgets (Item-Based), Containers, Input Widgets, Display Widgets\n");
}

bool TestDesignerWidgetBox::screenIsDrawn(const QImage& shot)
{
    // An empty X screen is one colour; Designer's windows are not.
    const QRgb first = shot.pixel(0, 0);
    for (int y = 0; y < shot.height(); y += 7) {
        for (int x = 0; x < shot.width(); x += 7) {
            if (shot.pixel(x, y) != first)
                return true;
        }
    }
    return false;
}

TestDesignerWidgetBox::Run TestDesignerWidgetBox::runDesigner(bool withPlugin)
{
    Run run;
    const QString designer = QLibraryInfo::location(QLibraryInfo::BinariesPath) + QStringLiteral("/designer");
    QTemporaryDir home;
    writeDesignerSettings(home.filePath(QStringLiteral("config/QtProject")));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_DEBUG_PLUGINS"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    if (!withPlugin)
        env.remove(QStringLiteral("QT_PLUGIN_PATH"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(designer, QStringList());
    if (!process.waitForStarted(30000)) {
        run.log = process.errorString();
        return run;
    }

    // Plug-ins are loaded before the main window is built; then let it paint.
    const QRegularExpression widgetBoxLoaded(QStringLiteral("loaded library \"[^\"]*/libqwebview\\.so\"|"
                                                            "loaded library \"[^\"]*/libFerrowix\\.so\""));
    QElapsedTimer clock;
    clock.start();
    QByteArray output;
    while (!widgetBoxLoaded.match(QString::fromLocal8Bit(output)).hasMatch() && process.state() == QProcess::Running &&
           clock.elapsed() < 60000) {
        process.waitForReadyRead(500);
        output += process.readAll();
    }
    while (!screenIsDrawn(run.screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage()) &&
           clock.elapsed() < 90000)
        QTest::qWait(200);
    QTest::qWait(3000);
    run.screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    run.stayedUp = process.state() == QProcess::Running;
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(10000);
    }
    output += process.readAll();
    run.log = QString::fromLocal8Bit(output);
    return run;
}

void TestDesignerWidgetBox::designerShowsCollection()
{
    const Run plain = runDesigner(false);
    const Run with = runDesigner(true);
    with.screen.save(QStringLiteral(FERROWIX_DESIGNER_SCREENSHOT));

    QVERIFY2(with.stayedUp, qPrintable(with.log.right(3000)));
    const QRegularExpression loaded(QStringLiteral("loaded library \"[^\"]*/libFerrowix\\.so\""));
    QVERIFY2(loaded.match(with.log).hasMatch(), qPrintable(with.log.right(3000)));
    for (const QString& line : with.log.split(QLatin1Char('\n'))) {
        const bool ours = line.contains(QLatin1String("Ferrowix")) || line.contains(QLatin1String("custom widget"));
        QVERIFY2(!(ours && (line.contains(QLatin1String("Cannot")) || line.contains(QLatin1String("failed")) ||
                            line.contains(QLatin1String("mismatch")))),
                 qPrintable(line));
    }
    // With every standard group closed, only the library's group can fill the widget box.
    QVERIFY(plain.stayedUp);
    // Below the closed groups, away from the filter field and its caret.
    const QRect widgetBox(0, 270, 240, 420);
    QVERIFY(screenIsDrawn(with.screen) && screenIsDrawn(plain.screen));
    QVERIFY2(with.screen.copy(widgetBox) != plain.screen.copy(widgetBox),
             "the widget box looks the same without the plug-in");
}

QTEST_MAIN(TestDesignerWidgetBox)
#include "test_designer_widget_box.moc"
