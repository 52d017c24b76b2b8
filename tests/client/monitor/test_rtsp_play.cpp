// RTSP play of the live-video panes through the RTSP dialog, against
// GStreamer's RTSP server and the scripted server, on an X server.

#include "ClientFolder.h"
#include "RtspPeer.h"
#include "UnstarvedClock.h"

#include "core/FontSubstitution.h"
#include "data/ImplementInstance.h"
#include "core/LanguageManage.h"
#include "core/Logging.h"
#include "device/DeviceManager.h"
#include "dialogs/QPromptWidget.h"
#include "monitor/ClientStartup.h"
#include "monitor/KvorPlayWindow.h"
#include "monitor/KvorSplitWndsCtrl.h"
#include "monitor/PreviewDialog.h"
#include "monitor/RtspDialog.h"
#include "monitor/RequstRunables.h"
#include "monitor/RtspManager.h"

#include "Vendaro.h"
#include "tessoran.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

#include <spdlog/spdlog.h>

namespace {

const QString kUser = QStringLiteral("operator");
const QString kPassword = QStringLiteral("Secret-9");

// Colours that differ from the idle pane's background: video was drawn.
int DistinctColours(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            colours.insert(image.pixel(x, y));
    return colours.size();
}

QStringList VisibleToasts()
{
    QStringList texts;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!qobject_cast<QPromptWidget*>(widget) || !widget->isVisible())
            continue;
        QString text;
        for (QLabel* label : widget->findChildren<QLabel*>())
            if (!label->text().isEmpty())
                text = label->text();
        texts << text;
    }
    return texts;
}

void CloseToasts()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QPromptWidget*>(widget))
            widget->close();
    QTRY_VERIFY(VisibleToasts().isEmpty());
}

// Local UDP ports of this process, from /proc.
QList<int> LocalUdpPorts()
{
    QList<int> ports;
    QFile file(QStringLiteral("/proc/self/net/udp"));
    if (!file.open(QIODevice::ReadOnly))
        return ports;
    file.readLine();
    while (!file.atEnd()) {
        const QStringList fields = QString::fromLatin1(file.readLine()).simplified().split(' ');
        if (fields.size() > 1)
            ports << fields.at(1).section(':', 1).toInt(nullptr, 16);
    }
    return ports;
}

int ClosedPort()
{
    return testsupport::reservePort();
}

void SetSetting(const QString& key, const QVariant& value)
{
    ImplementInstance::GetInstance()->GetConfig()->SetValue(key, value);
}

// A pane in a window of its own, as the grid holds it.
struct PaneWindow
{
    PaneWindow()
    {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        pane = new KvorPlayWindow(&window);
        layout->addWidget(pane);
        window.resize(400, 300);
        window.show();
    }
    QWidget window;
    KvorPlayWindow* pane;
};

} // namespace

class RtspPlayTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void dialogChecksItsFieldsInOrder_data();
    void dialogChecksItsFieldsInOrder();
    void dialogKeepsValuesAndDefaults();
    void dialogFollowsTheLanguage();
    void contextMenuOffersPullOnIdleAndCloseOnRtsp();
    void failedCameraStartLeavesTheStreamPlaying();
    void playsWithDigestThroughTheDialog_data();
    void playsWithDigestThroughTheDialog();
    void failuresEndInOneToastAndThePaneIsReusable_data();
    void failuresEndInOneToastAndThePaneIsReusable();
    void closingThePaneInterruptsABlockedStart();
    void serverKilledMidStreamLeavesThePaneIdle();
    void serverGoodbyeLeavesThePaneIdle();
    void doubleClickPreviewsTheSameStreamOnItsOwnSession();
    void previewDialogsGiveTheirPlayerPortsBack();
    void fourPanesOnFourSessionsThenCloseAll();
    void openDialogDoesNotKeepTheProgramRunning();
    void wrongPasswordsNeverReachTheLogs();
    void screenshots();
    // Last: the manager is gone for the rest of the process.
    void destroyedManagerIsNotStartedAgain();

private:
    bool StartGStreamer(int port = 0);
    bool WaitPlaying(KvorPlayWindow* pane);
    void PlayThroughDialog(KvorPlayWindow* pane, const QString& url, const QString& user, const QString& password);
    QAction* OpenContextMenu(KvorPlayWindow* pane);
    static RtspManager* Manager() { return RtspManager::instance(); }

    QTemporaryDir folder;
    RtspPeer server;
};

void RtspPlayTest::initTestCase()
{
    QVERIFY(folder.isValid());
    for (const char* translation : {"corvane_zh.qm", "corvane_en.qm"})
        QFile::copy(QStringLiteral(CORVANE_BIN_DIR "/") + translation, folder.filePath(translation));
    qputenv("CORVANE_APP_DIR", QFile::encodeName(folder.path()));
    InstallFontSubstitutions();
    qApp->setStyleSheet(ClientStyleSheet());
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
    // Into the folder, as the client logs: a test reads the files.
    InitLogging(L"CorvaneLogs");
    QVERIFY(ImplementInstance::CreateInstance());
    ImplementInstance::GetInstance()->InitImplementInstance();
    QVERIFY(StartGStreamer());
}

void RtspPlayTest::init()
{
    CloseToasts();
    SetSetting(QStringLiteral("Rtsp/Transport"), RtspManager::kDefaultTransport);
}

void RtspPlayTest::cleanup()
{
    if (RtspManager* manager = Manager()) {
        QTRY_VERIFY_WITH_TIMEOUT(manager->BusyWorkers() == 0, 10000);
        QVERIFY(manager->Sessions().isEmpty());
        QCOMPARE(manager->StartingSessions(), 0);
    }
}

void RtspPlayTest::cleanupTestCase()
{
    RtspManager::DestroyInstance();
    server.Stop();
    ImplementInstance::DestroyInstance();
}

bool RtspPlayTest::StartGStreamer(int port)
{
    return server.Start(QStringLiteral(GSTREAMER_SERVER),
                        {"--port", QString::number(port), "--auth", "digest", "--user", kUser, "--password", kPassword,
                         "--report-teardown"});
}

bool RtspPlayTest::WaitPlaying(KvorPlayWindow* pane)
{
    return QTest::qWaitFor(
        [pane] {
            return pane->IsRtspPlaying() && pane->PlayerPort() >= 0 &&
                   Mavro_GetShownFrameCount(pane->PlayerPort()) >= 10;
        },
        15000);
}

QAction* RtspPlayTest::OpenContextMenu(KvorPlayWindow* pane)
{
    const QPoint at = pane->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, pane->mapToGlobal(at));
    QApplication::sendEvent(pane, &event);
    QMenu* menu = pane->ContextMenu();
    if (!menu->isVisible())
        return nullptr;
    QAction* action = menu->actions().value(0);
    menu->hide();
    return action;
}

void RtspPlayTest::PlayThroughDialog(KvorPlayWindow* pane, const QString& url, const QString& user,
                                     const QString& password)
{
    QAction* action = OpenContextMenu(pane);
    QVERIFY(action);
    QCOMPARE(action->text(), QStringLiteral("RTSP取流"));
    action->trigger();
    RtspDialog* dialog = pane->GetRtspDialog();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    dialog->findChild<QLineEdit*>("lineEditUrl")->setText(url);
    dialog->findChild<QLineEdit*>("lineEditUserName")->setText(user);
    dialog->findChild<QLineEdit*>("lineEditPasswd")->setText(password);
    QTest::mouseClick(dialog->findChild<QPushButton*>("pBtnPlay"), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    QVERIFY(pane->IsRtspStarting() || pane->IsRtspPlaying() || !VisibleToasts().isEmpty());
}

void RtspPlayTest::dialogChecksItsFieldsInOrder_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("toast");
    QTest::newRow("no URL") << ""
                            << ""
                            << ""
                            << "取流URL不能为空";
    QTest::newRow("no user, no password") << "rtsp://127.0.0.1/x"
                                          << ""
                                          << ""
                                          << "用户名不能为空";
    QTest::newRow("no password") << "rtsp://127.0.0.1/x"
                                 << "u"
                                 << ""
                                 << "密码不能为空";
    QTest::newRow("spaces pass") << " "
                                 << " "
                                 << " "
                                 << "";
}

void RtspPlayTest::dialogChecksItsFieldsInOrder()
{
    QFETCH(QString, url);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, toast);
    RtspDialog dialog;
    QSignalSpy started(&dialog, &RtspDialog::StartRtspPlaySig);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.findChild<QLineEdit*>("lineEditUrl")->setText(url);
    dialog.findChild<QLineEdit*>("lineEditUserName")->setText(user);
    dialog.findChild<QLineEdit*>("lineEditPasswd")->setText(password);
    QTest::mouseClick(dialog.findChild<QPushButton*>("pBtnPlay"), Qt::LeftButton);
    if (toast.isEmpty()) {
        QCOMPARE(started.count(), 1);
        QCOMPARE(started.at(0), (QList<QVariant>{url, user, password}));
        QVERIFY(!dialog.isVisible());
        QVERIFY(VisibleToasts().isEmpty());
    } else {
        QCOMPARE(started.count(), 0);
        QVERIFY(dialog.isVisible());
        QCOMPARE(VisibleToasts(), QStringList{toast});
    }
}

void RtspPlayTest::dialogKeepsValuesAndDefaults()
{
    PaneWindow window;
    RtspDialog* dialog = window.pane->GetRtspDialog();
    QCOMPARE(dialog->findChild<QLineEdit*>("lineEditUrl")->text(), RtspDialog::kDefaultUrl);
    QVERIFY(RtspDialog::kDefaultUrl.startsWith("rtsp://") && RtspDialog::kDefaultUrl.endsWith(":554/live/ch1/main"));
    QCOMPARE(dialog->findChild<QLineEdit*>("lineEditUserName")->text(), QStringLiteral("admin"));
    QCOMPARE(dialog->findChild<QLineEdit*>("lineEditPasswd")->text(), QStringLiteral("tuv40718"));
    QCOMPARE(dialog->findChild<QLineEdit*>("lineEditPasswd")->echoMode(), QLineEdit::Password);
    QSignalSpy started(dialog, &RtspDialog::StartRtspPlaySig);
    // Typed values survive a cancel and the next opening.
    window.pane->ShowRtspDialogSlot();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    dialog->findChild<QLineEdit*>("lineEditUrl")->setText(server.Url("/nothing-here"));
    QTest::mouseClick(dialog->findChild<QPushButton*>("pBtnCancel"), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    window.pane->ShowRtspDialogSlot();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QCOMPARE(dialog->findChild<QLineEdit*>("lineEditUrl")->text(), server.Url("/nothing-here"));
    QCOMPARE(started.count(), 0);
    dialog->close();
}

void RtspPlayTest::dialogFollowsTheLanguage()
{
    RtspDialog dialog;
    auto* play = dialog.findChild<QPushButton*>("pBtnPlay");
    QCOMPARE(play->text(), QStringLiteral("播放"));
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::English);
    QCOMPARE(play->text(), QStringLiteral("Play"));
    QCOMPARE(dialog.findChild<QLabel*>("labelAboutDlgName")->text(), QStringLiteral("Pull RTSP stream"));
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
    QCOMPARE(play->text(), QStringLiteral("播放"));
}

void RtspPlayTest::contextMenuOffersPullOnIdleAndCloseOnRtsp()
{
    PaneWindow window;
    QVERIFY(QTest::qWaitForWindowExposed(&window.window));
    window.pane->StartRtspPlaySlot(server.Url("/live"), kUser, kPassword);
    QVERIFY(window.pane->IsRtspStarting());
    QVERIFY(WaitPlaying(window.pane));
    QAction* action = OpenContextMenu(window.pane);
    QVERIFY(action);
    QCOMPARE(action->text(), QStringLiteral("关闭预览"));
    action->trigger();
    QVERIFY(!window.pane->IsRtspPlaying());
    QVERIFY(window.pane->IsLogoVisible());
    action = OpenContextMenu(window.pane);
    QVERIFY(action);
    QCOMPARE(action->text(), QStringLiteral("RTSP取流"));
    // The next play keeps the pane's player port.
    const long port = window.pane->PlayerPort();
    window.pane->StartRtspPlaySlot(server.Url("/live"), kUser, kPassword);
    QVERIFY(WaitPlaying(window.pane));
    QCOMPARE(window.pane->PlayerPort(), port);
    window.pane->StopPlay();
}

void RtspPlayTest::failedCameraStartLeavesTheStreamPlaying()
{
    PaneWindow window;
    QVERIFY(QTest::qWaitForWindowExposed(&window.window));
    window.pane->StartRtspPlaySlot(server.Url("/live"), kUser, kPassword);
    QVERIFY(WaitPlaying(window.pane));
    const int session = window.pane->RtspSession();
    // A camera nobody answers for: its start fails.
    stu_DeviceChannelInfo camera;
    camera.channelIp = QStringLiteral("127.0.0.1");
    camera.channelPort = ClosedPort();
    camera.userName = QStringLiteral("admin");
    camera.password = QStringLiteral("nobody-home");
    bool finished = false;
    bool started = true;
    RequstRunables::RequestPreview(window.pane, camera, 1, [&](bool ok) {
        finished = true;
        started = ok;
    });
    QTRY_VERIFY_WITH_TIMEOUT(finished, 30000);
    QVERIFY(!started);
    QVERIFY(window.pane->IsRtspPlaying());
    QCOMPARE(window.pane->RtspSession(), session);
    QVERIFY(Manager()->Sessions().contains(session));
    QVERIFY(!window.pane->IsLogoVisible());
    QVERIFY(window.pane->PlayingChannelIp().isEmpty());
    CloseToasts();
    window.pane->StopPlay();
}

void RtspPlayTest::playsWithDigestThroughTheDialog_data()
{
    QTest::addColumn<int>("transport");
    QTest::newRow("interleaved TCP") << int(PELLMAR_TRANS_RTSP);
    QTest::newRow("UDP") << int(PELLMAR_TRANS_UDP);
}

void RtspPlayTest::playsWithDigestThroughTheDialog()
{
    QFETCH(int, transport);
    SetSetting(QStringLiteral("Rtsp/Transport"), transport);
    const int teardowns = server.Count("TEARDOWN");
    PaneWindow window;
    QVERIFY(QTest::qWaitForWindowExposed(&window.window));
    const int idleColours = DistinctColours(window.pane->grab().toImage());
    PlayThroughDialog(window.pane, server.Url("/live"), kUser, kPassword);
    QVERIFY(WaitPlaying(window.pane));
    QCOMPARE(Manager()->Sessions(), QList<int>{window.pane->RtspSession()});
    QVERIFY(!window.pane->IsLogoVisible());
    QTRY_VERIFY_WITH_TIMEOUT(DistinctColours(window.pane->grab().toImage()) > idleColours + 20, 10000);
    if (transport == PELLMAR_TRANS_UDP) {
        // RTP and RTCP arrive on local ports of the configured range, above the privileged ones.
        const PORT_POOL_T& pool = Manager()->PortPool();
        QVERIFY(pool.usUdpStartPort > 1024);
        int inRange = 0;
        for (const int port : LocalUdpPorts())
            inRange += port >= pool.usUdpStartPort && port < pool.usUdpStartPort + 2 * pool.usUdpPortCount;
        QVERIFY2(inRange >= 2, qPrintable(QString::number(inRange)));
    }
    QVERIFY(VisibleToasts().isEmpty());

    QAction* close = OpenContextMenu(window.pane);
    QVERIFY(close);
    close->trigger();
    QVERIFY(!window.pane->IsRtspPlaying());
    QVERIFY(window.pane->IsLogoVisible());
    QVERIFY(Manager()->Sessions().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(server.Count("TEARDOWN"), teardowns + 1, 10000);
}

void RtspPlayTest::failuresEndInOneToastAndThePaneIsReusable_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("toast");
    QTest::newRow("wrong password") << "password"
                                    << "RTSP用户名或密码错误";
    QTest::newRow("closed port") << "closed"
                                 << "无法连接RTSP服务器";
    QTest::newRow("server answers nothing") << "silent"
                                            << "RTSP服务器无应答";
}

void RtspPlayTest::failuresEndInOneToastAndThePaneIsReusable()
{
    QFETCH(QString, kind);
    QFETCH(QString, toast);
    RtspPeer silent;
    QString url = server.Url("/live");
    QString password = kPassword;
    if (kind == "password")
        password = "wrong";
    else if (kind == "closed")
        url = QStringLiteral("rtsp://127.0.0.1:%1/live").arg(ClosedPort());
    else {
        QVERIFY(silent.Start(QStringLiteral("/usr/bin/python3"),
                             {QStringLiteral(SCRIPTED_SERVER), "--silent-at", "OPTIONS"}));
        url = silent.Url("/live");
    }
    PaneWindow window;
    QVERIFY(QTest::qWaitForWindowExposed(&window.window));
    // The window stays responsive while the server is waited for: no gap of
    // its own making, whatever the scheduler does to it on a loaded machine.
    UnstarvedClock sinceTick;
    qint64 longestGap = 0;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, [&] {
        if (ticks++ > 0)
            longestGap = std::max(longestGap, sinceTick.elapsed());
        sinceTick.restart();
    });
    sinceTick.start();
    timer.start();
    PlayThroughDialog(window.pane, url, kUser, password);
    QTRY_VERIFY_WITH_TIMEOUT(!window.pane->IsRtspStarting(), 30000);
    timer.stop();
    QVERIFY(!window.pane->IsRtspPlaying());
    QVERIFY(window.pane->IsLogoVisible());
    QCOMPARE(VisibleToasts(), QStringList{toast});
    QVERIFY2(longestGap < 250, qPrintable(QString("longest gap %1 ms").arg(longestGap)));
    // The silent server is waited for seconds; the timer kept firing all along.
    QVERIFY(kind != "silent" || ticks > 100);
    QVERIFY(Manager()->Sessions().isEmpty());

    // Reusable: the same pane then plays a good stream.
    CloseToasts();
    PlayThroughDialog(window.pane, server.Url("/live"), kUser, kPassword);
    QVERIFY(WaitPlaying(window.pane));
    window.pane->StopPlay();
    QVERIFY(VisibleToasts().isEmpty());
}

void RtspPlayTest::closingThePaneInterruptsABlockedStart()
{
    RtspPeer silent;
    QTemporaryDir events;
    const QString eventFile = events.filePath("events.jsonl");
    QVERIFY(silent.Start(QStringLiteral("/usr/bin/python3"),
                         {QStringLiteral(SCRIPTED_SERVER), "--silent-at", "DESCRIBE", "--events", eventFile}));
    auto window = std::make_unique<PaneWindow>();
    window->pane->StartRtspPlaySlot(silent.Url("/live"), kUser, kPassword);
    QVERIFY(window->pane->IsRtspStarting());
    // Wait until the start hangs on the unanswered DESCRIBE.
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            QFile file(eventFile);
            return file.open(QIODevice::ReadOnly) && file.readAll().contains("DESCRIBE");
        }(),
        10000);
    QCOMPARE(Manager()->StartingSessions(), 1);
    UnstarvedClock closing;
    QElapsedTimer clock;
    clock.start();
    window.reset();
    QVERIFY2(closing.elapsed() < 100, qPrintable(QString("closing the pane took %1 ms").arg(closing.elapsed())));
    QTRY_VERIFY_WITH_TIMEOUT(Manager()->StartingSessions() == 0 && Manager()->BusyWorkers() == 0, 5000);
    // Far below the library's own wait for an answer (seconds).
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString("%1 ms").arg(clock.elapsed())));
    QVERIFY(Manager()->Sessions().isEmpty());
    QVERIFY(VisibleToasts().isEmpty());
}

void RtspPlayTest::serverKilledMidStreamLeavesThePaneIdle()
{
    PaneWindow window;
    QVERIFY(QTest::qWaitForWindowExposed(&window.window));
    PlayThroughDialog(window.pane, server.Url("/live"), kUser, kPassword);
    QVERIFY(WaitPlaying(window.pane));
    const int port = server.Port();
    server.Kill();
    QTRY_VERIFY_WITH_TIMEOUT(!window.pane->IsRtspPlaying(), 15000);
    QVERIFY(window.pane->IsLogoVisible());
    QCOMPARE(VisibleToasts(), QStringList{QStringLiteral("RTSP视频流已中断")});
    QTRY_VERIFY_WITH_TIMEOUT(Manager()->Sessions().isEmpty(), 5000);

    CloseToasts();
    QVERIFY(StartGStreamer(port));
    PlayThroughDialog(window.pane, server.Url("/live"), kUser, kPassword);
    QVERIFY(WaitPlaying(window.pane));
    window.pane->StopPlay();
}

void RtspPlayTest::serverGoodbyeLeavesThePaneIdle()
{
    // A six-second clip that the server plays once and ends with an RTCP BYE: long
    // enough for the pane to show pictures before the end also on a loaded machine.
    const QString clip = folder.filePath("clip.ts");
    QCOMPARE(QProcess::execute("ffmpeg",
                               {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=duration=6:size=320x240:rate=25",
                                "-c:v", "libx264", "-g", "25", "-pix_fmt", "yuv420p", "-f", "mpegts", clip}),
             0);
    RtspPeer ending;
    QVERIFY(ending.Start(QStringLiteral(GSTREAMER_SERVER), {"--clip", clip}));
    SetSetting(QStringLiteral("Rtsp/Transport"), int(PELLMAR_TRANS_UDP));
    PaneWindow window;
    QVERIFY(QTest::qWaitForWindowExposed(&window.window));
    window.pane->StartRtspPlaySlot(ending.Url("/clip"), kUser, kPassword);
    QTRY_VERIFY_WITH_TIMEOUT(window.pane->IsRtspPlaying() && Mavro_GetShownFrameCount(window.pane->PlayerPort()) > 0,
                             15000);
    QTRY_VERIFY_WITH_TIMEOUT(!window.pane->IsRtspPlaying(), 20000);
    QVERIFY(window.pane->IsLogoVisible());
    QCOMPARE(VisibleToasts(), QStringList{QStringLiteral("RTSP视频流已中断")});
    QVERIFY(Manager()->Sessions().isEmpty());
}

void RtspPlayTest::doubleClickPreviewsTheSameStreamOnItsOwnSession()
{
    PaneWindow window;
    QVERIFY(QTest::qWaitForWindowExposed(&window.window));
    QTest::mouseDClick(window.pane, Qt::LeftButton);
    QVERIFY(!window.pane->findChild<PreviewDialog*>()); // idle: nothing to preview
    window.pane->StartRtspPlaySlot(server.Url("/live"), kUser, kPassword);
    QVERIFY(WaitPlaying(window.pane));
    QTest::mouseDClick(window.pane, Qt::LeftButton);
    auto* preview = window.pane->findChild<PreviewDialog*>();
    QVERIFY(preview);
    QVERIFY(WaitPlaying(preview->Pane()));
    QCOMPARE(preview->Pane()->RtspUrl(), server.Url("/live"));
    QCOMPARE(Manager()->Sessions().size(), 2);
    QVERIFY(preview->Pane()->RtspSession() != window.pane->RtspSession());
    preview->close();
    QTRY_VERIFY(!window.pane->findChild<PreviewDialog*>());
    QVERIFY(window.pane->IsRtspPlaying());
    QCOMPARE(Manager()->Sessions(), QList<int>{window.pane->RtspSession()});
    window.pane->StopPlay();
}

// Each dialog's pane took a player port and kept it: after some sixty dialogs
// nothing could play anywhere until the program restarted.
void RtspPlayTest::previewDialogsGiveTheirPlayerPortsBack()
{
    PaneWindow window;
    QVERIFY(QTest::qWaitForWindowExposed(&window.window));
    window.pane->StartRtspPlaySlot(server.Url("/live"), kUser, kPassword);
    QVERIFY(WaitPlaying(window.pane));
    for (int i = 0; i < 100; ++i) {
        QTest::mouseDClick(window.pane, Qt::LeftButton);
        QPointer<PreviewDialog> preview = window.pane->findChild<PreviewDialog*>();
        QVERIFY(preview);
        QVERIFY2(preview->Pane()->PlayerPort() >= 0, qPrintable(QStringLiteral("dialog %1 got no port").arg(i + 1)));
        preview->close();
        QTRY_VERIFY(!preview);
    }
    CloseToasts();
    PaneWindow other;
    QVERIFY(QTest::qWaitForWindowExposed(&other.window));
    other.pane->StartRtspPlaySlot(server.Url("/live"), kUser, kPassword);
    QVERIFY(WaitPlaying(other.pane));
    other.pane->StopPlay();
    window.pane->StopPlay();
}

void RtspPlayTest::fourPanesOnFourSessionsThenCloseAll()
{
    const int teardowns = server.Count("TEARDOWN");
    KvorSplitWndsCtrl grid;
    grid.resize(800, 600);
    grid.SetSplitMode(1); // 2 x 2
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QList<KvorPlayWindow*> panes;
    for (unsigned short i = 0; i < 4; ++i) {
        panes << grid.GetPlayWindow(i);
        PlayThroughDialog(panes.last(), server.Url("/live"), kUser, kPassword);
    }
    QSet<int> sessions;
    for (KvorPlayWindow* pane : panes) {
        QVERIFY(WaitPlaying(pane));
        sessions << pane->RtspSession();
    }
    QCOMPARE(sessions.size(), 4);
    QCOMPARE(Manager()->Sessions().size(), 4);
    // Stopping one leaves the others listed.
    const int stopped = panes[1]->RtspSession();
    panes[1]->StopPlay();
    QCOMPARE(Manager()->Sessions().size(), 3);
    QVERIFY(!Manager()->Sessions().contains(stopped));
    grid.StopAll();
    for (KvorPlayWindow* pane : panes)
        QVERIFY(!pane->IsRtspPlaying() && pane->IsLogoVisible());
    QVERIFY(Manager()->Sessions().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(server.Count("TEARDOWN"), teardowns + 4, 10000);
}

void RtspPlayTest::openDialogDoesNotKeepTheProgramRunning()
{
    auto window = std::make_unique<PaneWindow>();
    QVERIFY(QTest::qWaitForWindowExposed(&window->window));
    window->pane->ShowRtspDialogSlot();
    QVERIFY(QTest::qWaitForWindowExposed(window->pane->GetRtspDialog()));
    // The program's event loop ends when its last window closes, whatever
    // the pane's dialog does; a loop kept running fails after 5 s.
    QVERIFY(qApp->quitOnLastWindowClosed());
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    QTimer::singleShot(0, &window->window, &QWidget::close);
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    limit.start(5000);
    QCOMPARE(QCoreApplication::exec(), 0);
    QCOMPARE(lastClosed.count(), 1);
    window.reset();
}

void RtspPlayTest::wrongPasswordsNeverReachTheLogs()
{
    // Both in the URL and in the password field; the right one is shown too.
    const QString urlPassword = QStringLiteral("UrlPass-4417");
    const QString fieldPassword = QStringLiteral("FieldPass-8823");
    const QString devicePassword = QStringLiteral("DevicePass-5309");
    PaneWindow window;
    QVERIFY(QTest::qWaitForWindowExposed(&window.window));
    QString url = server.Url("/live");
    url.replace(QStringLiteral("rtsp://"), QStringLiteral("rtsp://%1:%2@").arg(kUser, urlPassword));
    PlayThroughDialog(window.pane, url, kUser, fieldPassword);
    QTRY_VERIFY_WITH_TIMEOUT(!window.pane->IsRtspStarting(), 30000);
    QVERIFY(!window.pane->IsRtspPlaying());
    CloseToasts();

    devsim::Simulator simulator;
    const std::vector<devsim::DeviceSpec> devices = SimulatedDevices(1, 1, testsupport::reservePort());
    std::string error;
    QVERIFY2(simulator.start(devices, devsim::Simulator::defaultClipPath(), error), error.c_str());
    QVERIFY(TSR_Init());
    long userId = -1;
    QVERIFY(!DeviceManager::GetInstance()->DeviceLogin(QString::fromStdString(devices[0].address), devices[0].port,
                                                       QString::fromStdString(devices[0].user), devicePassword,
                                                       &userId));
    DeviceManager::DestroyInstance();
    TSR_Cleanup();
    simulator.stop();

    spdlog::apply_all([](const std::shared_ptr<spdlog::logger>& logger) { logger->flush(); });
    QStringList logFiles;
    for (QDirIterator file(folder.path(), QDir::Files, QDirIterator::Subdirectories); file.hasNext();) {
        const QString path = file.next();
        if (path.contains(QStringLiteral("CorvaneLogs")))
            logFiles << path;
    }
    QVERIFY(!logFiles.isEmpty());
    bool loginLogged = false;
    bool playLogged = false;
    for (const QString& path : logFiles) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        loginLogged = loginLogged || text.contains("DeviceManager::DeviceLogin");
        playLogged = playLogged || text.contains("KvorPlayWindow::StartRtspPlaySlot");
        for (const QString& secret : {urlPassword, fieldPassword, devicePassword, kPassword})
            QVERIFY2(!text.contains(secret.toUtf8()), qPrintable(path + " holds " + secret));
    }
    // The failures were logged, only without their secrets.
    QVERIFY(loginLogged);
    QVERIFY(playLogged);
}

void RtspPlayTest::screenshots()
{
    QDir().mkpath(QStringLiteral(CORVANE_SCREENSHOT_DIR));
    for (const int language : {LanguageManage::Chinese, LanguageManage::English}) {
        LanguageManage::GetInstance()->SwitchLanguage(language);
        const QString suffix = language == LanguageManage::Chinese ? "zh" : "en";
        RtspDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.grab().save(QStringLiteral(CORVANE_SCREENSHOT_DIR "/rtsp-dialog-%1.png").arg(suffix)));
        PaneWindow window;
        QVERIFY(QTest::qWaitForWindowExposed(&window.window));
        window.pane->StartRtspPlaySlot(server.Url("/live"), kUser, kPassword);
        QVERIFY(WaitPlaying(window.pane));
        QTRY_VERIFY_WITH_TIMEOUT(DistinctColours(window.pane->grab().toImage()) > 20, 10000);
        QVERIFY(window.window.grab().save(QStringLiteral(CORVANE_SCREENSHOT_DIR "/rtsp-pane-%1.png").arg(suffix)));
        window.pane->StopPlay();
    }
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
}

void RtspPlayTest::destroyedManagerIsNotStartedAgain()
{
    const int teardowns = server.Count("TEARDOWN");
    PaneWindow window;
    QVERIFY(QTest::qWaitForWindowExposed(&window.window));
    window.pane->StartRtspPlaySlot(server.Url("/live"), kUser, kPassword);
    QVERIFY(WaitPlaying(window.pane));
    // As at the main window's end: sessions still open are torn down.
    RtspManager::DestroyInstance();
    QTRY_COMPARE_WITH_TIMEOUT(server.Count("TEARDOWN"), teardowns + 1, 5000);
    window.pane->StopPlay();
    QVERIFY(!window.pane->IsRtspPlaying());
    QVERIFY(!RtspManager::instance());
    window.pane->StartRtspPlaySlot(server.Url("/live"), kUser, kPassword);
    QVERIFY(!window.pane->IsRtspStarting());
    QVERIFY(!RtspManager::instance());
}

int main(int argc, char* argv[])
{
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication app(argc, argv);
    RtspPlayTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_rtsp_play.moc"
