// An operator's session with the whole client, end to end: the real program's
// start-up in a temporary application folder, against the device simulator
// program with three devices (two cameras each, RTSP on), on an X server.
//
// The test runs in two processes. The outer one makes the folder, starts the
// simulator and runs this executable again with --client: that one starts the
// client exactly as `main` does and, once the window is up, walks through the
// session step by step, taking a screenshot after each. The outer process then
// checks that the client ended within 2 s of the window closing and that its
// log holds no error line the session did not provoke.

#include "ClientFolder.h"
#include "ClosingWatch.h"
#include "PaneColours.h"
#include "DatabaseRows.h"
#include "PageTestSupport.h"

#include "core/ApplicationDir.h"
#include "data/ImplementInstance.h"
#include "core/LanguageManage.h"
#include "device/DeviceManager.h"
#include "dialogs/ConfigDialog.h"
#include "dialogs/QPictureFrame.h"
#include "monitor/ClientStartup.h"
#include "CorvaneParts.h"
#include "monitor/IncidentPromptsDialog.h"
#include "monitor/KvorPlayWindow.h"
#include "monitor/KvorSplitWndsCtrl.h"
#include "monitor/RtspDialog.h"
#include "monitor/SplitScreen.h"
#include "search/ExportDialog.h"
#include "search/SearchFrame.h"
#include "search/VideoDetailInfoDialog.h"

#include "QRangeDateTimeEditWithPopup.h"
#include "QSimpleSliderNavigation.h"
#include "Vendaro.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QMenu>
#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

using PageTestSupport::CloseToasts;
using PageTestSupport::DoubleClick;
using PageTestSupport::ToastText;

constexpr int kDevices = 3;
constexpr int kCamerasPerDevice = 2;

// What the outer process tells the client side, through its environment.
struct SessionPlan
{
    quint16 controlPort = 0;
    quint16 rtspPort = 0;
    quint16 devicePort = 0;
    int firstSubnet = 0;

    static SessionPlan FromEnvironment()
    {
        SessionPlan plan;
        plan.controlPort = static_cast<quint16>(qEnvironmentVariableIntValue("SCENARIO_CONTROL_PORT"));
        plan.rtspPort = static_cast<quint16>(qEnvironmentVariableIntValue("SCENARIO_RTSP_PORT"));
        plan.devicePort = static_cast<quint16>(qEnvironmentVariableIntValue("SCENARIO_DEVICE_PORT"));
        plan.firstSubnet = qEnvironmentVariableIntValue("SCENARIO_FIRST_SUBNET");
        return plan;
    }
    void ToEnvironment(QProcessEnvironment& environment) const
    {
        environment.insert(QStringLiteral("SCENARIO_CONTROL_PORT"), QString::number(controlPort));
        environment.insert(QStringLiteral("SCENARIO_RTSP_PORT"), QString::number(rtspPort));
        environment.insert(QStringLiteral("SCENARIO_DEVICE_PORT"), QString::number(devicePort));
        environment.insert(QStringLiteral("SCENARIO_FIRST_SUBNET"), QString::number(firstSubnet));
    }
    QString DeviceIp(int device) const { return QStringLiteral("127.0.%1.1").arg(firstSubnet + device); }
    QString CameraIp(int device, int camera) const
    {
        return QStringLiteral("127.0.%1.%2").arg(firstSubnet + device).arg(camera + 2);
    }
};

bool HasChinese(const QString& text)
{
    return text.contains(QRegularExpression(QStringLiteral("[\\x{4e00}-\\x{9fff}]")));
}

// A clip's length by its frames, counted by ffprobe (the simulator's video
// runs at 25 a second and loops, so its time stamps may jump back); -1 when
// it cannot be read.
double ClipSeconds(const QString& path)
{
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"), {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                                              "stream=nb_read_frames", "-of", "csv=p=0", path});
    if (!ffprobe.waitForFinished(30000) || ffprobe.exitCode() != 0)
        return -1;
    bool ok = false;
    // The stream's count comes once per program it is in, too: the first line.
    const double frames = ffprobe.readAllStandardOutput().trimmed().split('\n').first().toDouble(&ok);
    return ok ? frames / 25.0 : -1;
}

// The first text of the window's own labels and buttons that still holds
// Chinese, with its object's name; empty when there is none.
QString ChineseText(QWidget& window)
{
    for (QLabel* label : window.findChildren<QLabel*>())
        if (label->window() == &window && label->isVisible() && HasChinese(label->text()))
            return label->objectName() + QStringLiteral(": ") + label->text();
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>())
        if (button->window() == &window && button->isVisible() && HasChinese(button->text()))
            return button->objectName() + QStringLiteral(": ") + button->text();
    return QString();
}

// Calls `look` every 20 ms until it returns true; meant for dialogs that run
// modally inside the click that opens them. After `ms` it gives up and closes
// every modal dialog, so a step that went wrong fails instead of hanging.
void WhileModal(QObject* owner, int ms, const std::function<bool()>& look)
{
    auto* timer = new QTimer(owner);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, owner, [timer, clock, ms, look] {
        const bool done = look();
        if (!done && clock->elapsed() <= ms)
            return;
        timer->stop();
        timer->deleteLater();
        if (!done) {
            QWidget* modal = QApplication::activeModalWidget();
            qWarning("a modal dialog did not get through in %d ms; closing %s", ms,
                     modal ? modal->metaObject()->className() : "none");
            while (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        }
    });
    timer->start(20);
}

// ---------------------------------------------------------------------------
// The client side: the session, run inside the client's own event loop.

class Session : public QObject
{
    Q_OBJECT

public:
    explicit Session(Corvane& window) : window(window), plan(SessionPlan::FromEnvironment()) { }

private slots:
    void initTestCase();
    void treeFillsWithTheThreeDevices();
    void playAllFillsTheFourPaneLayout();
    void rtspStreamPlaysInAFreedPane();
    void alarmsReachTheListThePromptAndTheDatabase();
    void searchPageFindsTodaysIncidentsWithPictureAndClip();
    void playbackDialogPlaysTheClip();
    void trafficParametersExportToCsv();
    void changedDataFolderTakesTheNextAlarm();
    void englishAndBack();
    void droppedDeviceIsReportedAndComesBack();
    void closingDuringAnAlarmBurst();

private:
    QString Control(const QString& line);
    // On tab `tab` of the search page, searches from midnight to an hour ahead.
    void SearchToday(int tab, const char* period, const char* button);
    // Picks a row of the layout chooser (1, 4, 6, 9, 16 panes) as the operator does.
    void ChooseLayout(int row);
    void Screenshot(const QString& step, QWidget* widget = nullptr);
    int StoredToday(const QString& table) const;
    SearchFrame* Page() const { return SearchPageOf(window); }
    template <class T>
    T* PageChild(const char* name) const
    {
        return Page()->findChild<T*>(QLatin1String(name));
    }
    QString DatabasePath() const { return ApplicationDirPath() + QStringLiteral("/Corvane.db"); }

    Corvane& window;
    SessionPlan plan;
    int shots = 0;
};

QString Session::Control(const QString& line)
{
    // One connection a command, as the control port serves one at a time.
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), plan.controlPort);
    if (!socket.waitForConnected(5000))
        return QStringLiteral("<no control port>");
    socket.write(line.toUtf8() + '\n');
    QElapsedTimer clock;
    clock.start();
    while (!socket.canReadLine() && clock.elapsed() < 15000)
        socket.waitForReadyRead(100);
    return QString::fromUtf8(socket.readLine()).trimmed();
}

void Session::SearchToday(int tab, const char* period, const char* button)
{
    PageChild<QSimpleSliderNavigation>("qSimpleSliderNavigation")->setCurrentIndex(tab);
    PageChild<QRangeDateTimeEditWithPopup>(period)->setDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)),
                                                                QDateTime::currentDateTime().addSecs(3600));
    QTest::mouseClick(PageChild<QPushButton>(button), Qt::LeftButton);
}

void Session::ChooseLayout(int row)
{
    QTest::mouseClick(FORM_WIDGET(window, pictureBtnSplitScreen), Qt::LeftButton);
    auto* chooser = window.findChild<SplitScreen*>();
    QVERIFY(chooser);
    QTRY_VERIFY(chooser->isVisible());
    auto* list = chooser->findChild<QListWidget*>(QStringLiteral("listWidget"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    QVERIFY(!chooser->isVisible());
}

void Session::Screenshot(const QString& step, QWidget* widget)
{
    // Layouts take their new sizes and texts before the picture is taken.
    QCoreApplication::processEvents();
    const QDir out(QStringLiteral(CORVANE_SCREENSHOT_DIR "/scenario"));
    out.mkpath(QStringLiteral("."));
    const QString file = out.filePath(QStringLiteral("%1-%2.png").arg(++shots, 2, 10, QLatin1Char('0')).arg(step));
    QVERIFY2((widget ? widget : &window)->grab().save(file), qPrintable(file));
}

int Session::StoredToday(const QString& table) const
{
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    const QString column =
        table == QLatin1String("TrafficParamInfo") ? QStringLiteral("startTime") : QStringLiteral("time");
    const QList<QStringList> rows =
        Rows(DatabasePath(), QStringLiteral("select count(*) from %1 where %2 like '%3%'").arg(table, column, today));
    return rows.isEmpty() ? -1 : rows.first().first().toInt();
}

void Session::initTestCase()
{
    QVERIFY(plan.controlPort && plan.rtspPort && plan.devicePort && plan.firstSubnet);
    QCOMPARE(Control(QStringLiteral("rate all 0")), QStringLiteral("ok"));
    QVERIFY(QTest::qWaitForWindowExposed(&window));
}

void Session::treeFillsWithTheThreeDevices()
{
    QTRY_COMPARE_WITH_TIMEOUT(TreeOf(window)->LoggedInDevices().size(), kDevices, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(FORM_WIDGET(window, qIconPbtnRefresh)->isEnabled(), 30000);
    QStandardItemModel* tree = TreeOf(window)->Model();
    QCOMPARE(tree->rowCount(), kDevices);
    QSet<QString> cameras;
    for (int d = 0; d < kDevices; ++d) {
        QCOMPARE(tree->item(d)->rowCount(), kCamerasPerDevice);
        for (int c = 0; c < kCamerasPerDevice; ++c)
            cameras << tree->item(d)->child(c)->text();
    }
    for (int d = 0; d < kDevices; ++d)
        for (int c = 0; c < kCamerasPerDevice; ++c)
            QVERIFY2(std::any_of(cameras.cbegin(), cameras.cend(),
                                 [&](const QString& text) { return text.contains(plan.CameraIp(d, c)); }),
                     qPrintable(plan.CameraIp(d, c)));
    FORM_WIDGET(window, treeViewDevice)->expandAll();
    Screenshot(QStringLiteral("device-tree"));
}

void Session::playAllFillsTheFourPaneLayout()
{
    KvorSplitWndsCtrl* grid = FORM_WIDGET(window, widgetPreview);
    ChooseLayout(0);
    QCOMPARE(int(grid->WindowNums()), 1);
    ChooseLayout(1);
    QCOMPARE(int(grid->WindowNums()), 4);
    QVector<int> idle;
    for (quint16 i = 0; i < 4; ++i)
        idle << DistinctColours(grid->GetPlayWindow(i)->grab().toImage());

    QTest::mouseClick(FORM_WIDGET(window, qIconPBtnPlayAll), Qt::LeftButton);
    for (quint16 i = 0; i < 4; ++i) {
        KvorPlayWindow* pane = grid->GetPlayWindow(i);
        QTRY_VERIFY2_WITH_TIMEOUT(pane->IsPlaying(), qPrintable(QString::number(i)), 20000);
        QTRY_VERIFY2_WITH_TIMEOUT(DistinctColours(pane->grab().toImage()) > idle[i] + 20,
                                  qPrintable(QString::number(i)), 20000);
    }
    // Six cameras on four panes: two pages.
    QCOMPARE(FORM_WIDGET(window, labelTotalPage)->text(), QStringLiteral("2"));
    QSet<QString> playing;
    for (quint16 i = 0; i < 4; ++i)
        playing << grid->GetPlayWindow(i)->PlayingChannelIp();
    QCOMPARE(playing.size(), 4);
    Screenshot(QStringLiteral("four-panes-playing"));
}

void Session::rtspStreamPlaysInAFreedPane()
{
    // The operator closes the camera of the last pane through its row in the tree ...
    KvorPlayWindow* pane = FORM_WIDGET(window, widgetPreview)->GetPlayWindow(3);
    const QString closed = pane->PlayingChannelIp();
    QStandardItemModel* tree = TreeOf(window)->Model();
    QModelIndex row;
    for (int d = 0; d < tree->rowCount(); ++d)
        for (int c = 0; c < tree->item(d)->rowCount(); ++c)
            if (tree->item(d)->child(c)->text().contains(closed))
                row = tree->item(d)->child(c)->index();
    QVERIFY2(row.isValid(), qPrintable(closed));
    window.ClosePlaySlot(row);
    QTRY_VERIFY_WITH_TIMEOUT(!pane->IsPlaying(), 10000);
    const int idle = DistinctColours(pane->grab().toImage());

    // ... and pulls a camera of the third device over RTSP into it, through the
    // dialog its context menu offers.
    const QPoint at = pane->rect().center();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, pane->mapToGlobal(at));
    QApplication::sendEvent(pane, &menuEvent);
    QMenu* menu = pane->ContextMenu();
    QVERIFY(menu->isVisible());
    QAction* pull = menu->actions().value(0);
    QVERIFY(pull);
    QCOMPARE(pull->text(), QStringLiteral("RTSP取流"));
    menu->hide();
    pull->trigger();
    RtspDialog* dialog = pane->GetRtspDialog();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    const QString url = QStringLiteral("rtsp://%1:%2/live").arg(plan.CameraIp(2, 0)).arg(plan.rtspPort);
    for (const auto& [field, text] : {std::pair<const char*, QString>{"lineEditUrl", url},
                                      {"lineEditUserName", QStringLiteral("admin")},
                                      {"lineEditPasswd", QStringLiteral("cam12345")}}) {
        auto* edit = dialog->findChild<QLineEdit*>(QLatin1String(field));
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    Screenshot(QStringLiteral("rtsp-dialog"), dialog);
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("pBtnPlay")), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(
        pane->IsRtspPlaying() && pane->PlayerPort() >= 0 && Mavro_GetShownFrameCount(pane->PlayerPort()) >= 10, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(DistinctColours(pane->grab().toImage()) > idle + 20, 10000);
    Screenshot(QStringLiteral("rtsp-pane"));
}

void Session::alarmsReachTheListThePromptAndTheDatabase()
{
    auto* list = FORM_WIDGET(window, listViewIncident)->model();
    const int listed = list->rowCount();
    QCOMPARE(Control(QStringLiteral("fire all incident 2")), QStringLiteral("ok"));
    QCOMPARE(Control(QStringLiteral("fire all violation 1")), QStringLiteral("ok"));
    QCOMPARE(Control(QStringLiteral("fire all traffic 2")), QStringLiteral("ok"));

    // The live list keeps the five newest.
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), qMin(listed + 2 * kDevices, 5), 30000);
    auto* prompt = window.findChild<IncidentPromptsDialog*>();
    QVERIFY(prompt);
    QTRY_VERIFY(prompt->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(StoredToday(QStringLiteral("incidentInfo")), 2 * kDevices, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(StoredToday(QStringLiteral("ForensicsInfo")), kDevices, 20000);
    // A traffic-parameter alarm stores a row per lane.
    QTRY_VERIFY_WITH_TIMEOUT(StoredToday(QStringLiteral("TrafficParamInfo")) >= 2 * kDevices, 20000);
    for (const QStringList& row : Rows(DatabasePath(), QStringLiteral("select picPath from incidentInfo")))
        QVERIFY2(QFileInfo(row.first()).size() > 0, qPrintable(row.first()));
    // The incidents' clips come from the devices' recordings once they are stored.
    for (const QStringList& row : Rows(DatabasePath(), QStringLiteral("select videoPath from incidentInfo")))
        QTRY_VERIFY2_WITH_TIMEOUT(QFileInfo(row.first()).size() > 0, qPrintable(row.first()), 60000);
    // Each clip covers the seconds asked for around its incident (4 here).
    const QString clip = Rows(DatabasePath(), QStringLiteral("select videoPath from incidentInfo")).at(0).at(0);
    QVERIFY2(ClipSeconds(clip) >= 3.5, qPrintable(QString::number(ClipSeconds(clip))));
    Screenshot(QStringLiteral("alarms-live-list"));
    Screenshot(QStringLiteral("alarm-prompt"), prompt);
}

void Session::searchPageFindsTodaysIncidentsWithPictureAndClip()
{
    CloseToasts();
    FORM_WIDGET(window, topSliderNavigation)->setCurrentIndex(1);
    QCOMPARE(FORM_WIDGET(window, stackedWidget)->currentIndex(), 1);
    SearchToday(0, "qIncidentDateTime", "pBtnIncidentSearch");
    auto* table = PageChild<QTableWidget>("tableWidgetIncident");
    const int stored = StoredToday(QStringLiteral("incidentInfo"));
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), stored, 10000);
    QWidget* pager = Page()->findChild<QWidget*>(QStringLiteral("widgetIncidentPage"));
    QCOMPARE(pager->findChild<QLabel*>(QStringLiteral("labelTotalNum"))->text(), QString::number(stored));
    // One page of results: nothing to page through.
    QVERIFY(!pager->findChild<QPushButton*>(QStringLiteral("pBtnNextPage"))->isEnabled());
    QVERIFY(!pager->findChild<QPushButton*>(QStringLiteral("pBtnLastPage"))->isEnabled());

    // The violations of today are there too, with their pictures.
    SearchToday(1, "qViolateDateTime", "pBtnViolationSearch");
    auto* violations = PageChild<QTableWidget>("tableWidgetViolation");
    QTRY_COMPARE_WITH_TIMEOUT(violations->rowCount(), StoredToday(QStringLiteral("ForensicsInfo")), 10000);
    violations->setCurrentCell(0, 0);
    QTRY_VERIFY_WITH_TIMEOUT(PageChild<QPictureFrame>("frameViolationPic")->hasImage(), 10000);
    Screenshot(QStringLiteral("violations"));

    PageChild<QSimpleSliderNavigation>("qSimpleSliderNavigation")->setCurrentIndex(0);
    table->setCurrentCell(0, 0);
    QTRY_VERIFY_WITH_TIMEOUT(PageChild<QPictureFrame>("framePic")->hasImage(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(Page()->PreviewPort() >= 0, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(Mavro_GetShownFrameCount(Page()->PreviewPort()) > 0, 10000);
    Screenshot(QStringLiteral("search-page"));
}

void Session::playbackDialogPlaysTheClip()
{
    unsigned framesShown = 0;
    bool shot = false;
    QString totalTime;
    // The dialog runs modally inside the double click: look at it from its own loop.
    WhileModal(this, 30000, [&] {
        VideoDetailInfoDialog* dialog = Page()->DetailDialog();
        if (!dialog || !dialog->isVisible() || dialog->Port() < 0)
            return false;
        framesShown = Mavro_GetShownFrameCount(dialog->Port());
        if (framesShown < 10 && !shot)
            return false;
        if (!shot) {
            totalTime = QStringLiteral("%1:%2:%3")
                            .arg(dialog->findChild<QLabel*>(QStringLiteral("labelTotalH"))->text(),
                                 dialog->findChild<QLabel*>(QStringLiteral("labelTotalM"))->text(),
                                 dialog->findChild<QLabel*>(QStringLiteral("labelTotalS"))->text());
            Screenshot(QStringLiteral("playback-dialog"), dialog);
            shot = true;
        }
        QTest::mouseClick(dialog->findChild<QToolButton*>(QStringLiteral("toolButton_close")), Qt::LeftButton);
        return true;
    });
    DoubleClick(Page()->findChild<QWidget*>(QStringLiteral("frameVideo")));
    VideoDetailInfoDialog* dialog = Page()->DetailDialog();
    QVERIFY(dialog);
    QVERIFY(shot);
    QVERIFY(framesShown >= 10);
    // The clip's whole length: the seconds asked for around the incident.
    QCOMPARE(totalTime, QStringLiteral("00:00:04"));
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->Port(), -1L);
}

void Session::trafficParametersExportToCsv()
{
    CloseToasts();
    SearchToday(2, "qTrafficParamDateTime", "pBtnTrafficParamSearch");
    auto* table = PageChild<QTableWidget>("tableWidgetTrafficParam");
    const int stored = StoredToday(QStringLiteral("TrafficParamInfo"));
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), qMin(stored, 30), 10000);
    for (int row = 0; row < table->rowCount(); ++row)
        table->item(row, 0)->setCheckState(Qt::Checked);
    Screenshot(QStringLiteral("traffic-parameters"));

    // The operator chooses the file through the browse button's file dialog.
    const QString csv = ApplicationDirPath() + QStringLiteral("/交通参数.csv");
    ExportDialog& dialog = Page()->ExportDialogOf();
    bool browsing = false;
    bool chosen = false;
    WhileModal(this, 20000, [&] {
        if (!dialog.isVisible())
            return false;
        if (!browsing) {
            browsing = true;
            // Opens the file dialog, modally; this timer keeps looking from its loop.
            QTimer::singleShot(0, &dialog, [&dialog] {
                QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("pBtnExportPathBrowse")),
                                  Qt::LeftButton);
            });
            return false;
        }
        auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (files && !chosen) {
            chosen = true;
            // Chosen and accepted at once: the dialog selects its proposed
            // name again once it has read the folder.
            // The operator types the whole path into the file name field.
            auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!name)
                return false;
            name->setText(csv);
            QMetaObject::invokeMethod(files, "accept", Qt::DirectConnection);
            return false;
        }
        const QString shown = dialog.findChild<QLineEdit*>(QStringLiteral("lineEditExportPath"))->text();
        if (shown != csv) {
            static QString last;
            if (shown != last)
                qWarning("export path shown: %s", qPrintable(last = shown));
            return false;
        }
        Screenshot(QStringLiteral("export-dialog"), &dialog);
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("pBtnExport")), Qt::LeftButton);
        return true;
    });
    QTest::mouseClick(PageChild<QPushButton>("pBtnTrafficParamExport"), Qt::LeftButton);
    const QString expected = QStringLiteral("%1条导出成功0条导出失败").arg(table->rowCount());
    QTRY_COMPARE_WITH_TIMEOUT(ToastText(), expected, 20000);
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count('\n'), table->rowCount() + 1);
}

void Session::changedDataFolderTakesTheNextAlarm()
{
    CloseToasts();
    FORM_WIDGET(window, topSliderNavigation)->setCurrentIndex(0);
    const QString moved = ApplicationDirPath() + QStringLiteral("/moved-data");
    bool saved = false;
    WhileModal(this, 10000, [&] {
        auto* dialog = window.findChild<ConfigDialog*>();
        if (!dialog || !dialog->isVisible())
            return false;
        auto* path = dialog->findChild<QLineEdit*>(QStringLiteral("lineEditSavePath"));
        path->clear();
        QTest::keyClicks(path, moved);
        Screenshot(QStringLiteral("settings"), dialog);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("pBtnConfigSave")), Qt::LeftButton);
        saved = !dialog->isVisible();
        return true;
    });
    QTest::mouseClick(FORM_WIDGET(window, qIconPtnSet), Qt::LeftButton);
    QVERIFY(saved);
    QCOMPARE(ToastText(), QStringLiteral("保存配置参数成功"));

    const int before = StoredToday(QStringLiteral("incidentInfo"));
    QCOMPARE(Control(QStringLiteral("fire %1 incident").arg(plan.DeviceIp(0))), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(StoredToday(QStringLiteral("incidentInfo")), before + 1, 20000);
    const QString picture =
        Rows(DatabasePath(), QStringLiteral("select picPath from incidentInfo order by rowid desc limit 1"))
            .at(0)
            .at(0);
    QVERIFY2(picture.startsWith(moved + QLatin1Char('/')), qPrintable(picture));
    QVERIFY(QFileInfo(picture).size() > 0);
}

void Session::englishAndBack()
{
    CloseToasts();
    QPushButton* toggle = FORM_WIDGET(window, pBnSwitchLanguage);
    QTest::mouseClick(toggle, Qt::LeftButton);
    // The later steps read Chinese texts, whatever fails here.
    auto backToChinese = qScopeGuard([] { LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese); });
    QCOMPARE(LanguageManage::GetInstance()->CurrentLanguage(), LanguageManage::English);
    // Every text of the window itself turns English (widgets hear of the
    // switch through posted events).
    QTRY_COMPARE(ChineseText(window), QString());
    Screenshot(QStringLiteral("english-preview"));
    FORM_WIDGET(window, topSliderNavigation)->setCurrentIndex(1);
    QTRY_COMPARE(ChineseText(window), QString());
    Screenshot(QStringLiteral("english-search-page"));

    QTest::mouseClick(toggle, Qt::LeftButton);
    QCOMPARE(LanguageManage::GetInstance()->CurrentLanguage(), LanguageManage::Chinese);
    QCOMPARE(FORM_WIDGET(window, stackedWidget)->currentIndex(), 0);
    QVERIFY(HasChinese(FORM_WIDGET(window, labelIncidentList)->text()));
}

void Session::droppedDeviceIsReportedAndComesBack()
{
    CloseToasts();
    const QString device = plan.DeviceIp(1);
    QCOMPARE(Control(QStringLiteral("drop ") + device), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(ToastText(), device + QStringLiteral("异常掉线"), 30000);
    Screenshot(QStringLiteral("device-dropped"));
    QCOMPARE(Control(QStringLiteral("restore ") + device), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(ToastText(), device + QStringLiteral("恢复连接"), 30000);
    // Alarms flow again from the restored device.
    const QString sql = QStringLiteral("select count(*) from incidentInfo where deviceIp = '%1'").arg(device);
    const int before = Rows(DatabasePath(), sql).at(0).at(0).toInt();
    QCOMPARE(Control(QStringLiteral("fire %1 incident").arg(device)), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(Rows(DatabasePath(), sql).at(0).at(0).toInt(), before + 1, 30000);
    Screenshot(QStringLiteral("device-restored"));
}

void Session::closingDuringAnAlarmBurst()
{
    int handed = 0;
    connect(&window, &Corvane::DealIncidentTableSig, this, [&handed] { ++handed; });
    QCOMPARE(Control(QStringLiteral("rate all 200")), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(handed >= 100, 20000);
    Screenshot(QStringLiteral("alarm-burst"));
    std::printf("@@closing\n");
    std::fflush(stdout);
    window.close();
    QVERIFY(!window.isVisible());
    QCOMPARE(TreeOf(window)->Workers().Count(), 0);
}

int RunSessionClient(int argc, char** argv)
{
    return RunClient(argc, argv, [](const QStringList& arguments) {
        ClientStartOptions options = ParseClientOptions(arguments);
        options.onWindowBuilt = [](Corvane& window) {
            // Clips are asked for seconds after the incident, not minutes.
            DeviceManager::GetInstance()->SetClipTiming(
                ClipTiming{std::chrono::seconds(2), std::chrono::milliseconds(200), 100});
            QTimer::singleShot(0, &window, [&window] {
                // Other tests share the X server; stay below their windows.
                window.lower();
                Session session(window);
                // SCENARIO_STEPS picks steps by name, to work on one of them.
                QStringList arguments{QStringLiteral("scenario")};
                arguments += qEnvironmentVariable("SCENARIO_STEPS").split(QLatin1Char(' '), Qt::SkipEmptyParts);
                const int failures = QTest::qExec(&session, arguments);
                std::printf("@@scenario failures=%d\n", failures);
                std::fflush(stdout);
                if (window.isVisible())
                    window.close();
            });
        };
        return options;
    });
}

// ---------------------------------------------------------------------------
// The outer side: folder, simulator, the client process and its log.

// Error lines of the client's logs that do not contain any of `provoked`.
QStringList UnprovokedErrors(const QString& appDir, const QStringList& provoked)
{
    QStringList unexpected;
    QDirIterator logs(appDir + QStringLiteral("/CorvaneLogs"), {QStringLiteral("*.log")}, QDir::Files);
    while (logs.hasNext()) {
        QFile file(logs.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& raw : file.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw).trimmed();
            if (!line.contains(QStringLiteral("<error|")) && !line.contains(QStringLiteral("<criti|")))
                continue;
            if (std::none_of(provoked.cbegin(), provoked.cend(), [&](const QString& p) { return line.contains(p); }))
                unexpected << line;
        }
    }
    return unexpected;
}

// The last lines of the client's logs, to show where a slow close spent its time.
std::string LogTail(const QString& appDir, int count)
{
    QStringList lines;
    QDirIterator logs(appDir + QStringLiteral("/CorvaneLogs"), {QStringLiteral("*.log")}, QDir::Files);
    while (logs.hasNext()) {
        QFile file(logs.next());
        if (file.open(QIODevice::ReadOnly))
            lines << QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // "[thread date time]": the logs of different files meet in time order.
    const auto time = [](const QString& line) { return line.mid(line.indexOf(QLatin1Char(' ')) + 1, 23); };
    std::stable_sort(lines.begin(), lines.end(), [&](const QString& a, const QString& b) { return time(a) < time(b); });
    return lines.mid(std::max(0, int(lines.size()) - count)).join(QLatin1Char('\n')).toStdString();
}

class ScenarioTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        for (QProcess* process : {&client, &simulator}) {
            if (process->state() != QProcess::NotRunning) {
                process->terminate();
                if (!process->waitForFinished(5000)) {
                    process->kill();
                    process->waitForFinished();
                }
            }
        }
    }

    bool StartSimulator(const SessionPlan& plan, quint16 alarmPort, const QString& database)
    {
        simulator.setProcessChannelMode(QProcess::MergedChannels);
        simulator.start(QStringLiteral(CORVANE_BIN_DIR "/corvane-devsim"),
                        {"--devices", QString::number(kDevices), "--cameras", QString::number(kCamerasPerDevice),
                         "--port", QString::number(plan.devicePort), "--first-subnet",
                         QString::number(plan.firstSubnet), "--alarm-port", QString::number(alarmPort), "--alarm-rate",
                         "0", "--control-port", QString::number(plan.controlPort), "--rtsp-port",
                         QString::number(plan.rtspPort), "--client-db", database});
        QElapsedTimer clock;
        clock.start();
        while (!simulatorOutput.contains("control port") && clock.elapsed() < 60000 &&
               simulator.state() != QProcess::NotRunning) {
            simulator.waitForReadyRead(100);
            simulatorOutput += simulator.readAll();
        }
        return simulatorOutput.contains("control port");
    }

    QProcess simulator;
    QByteArray simulatorOutput;
    QProcess client;
};

TEST_F(ScenarioTest, AnOperatorsSession)
{
    QDir(QStringLiteral(CORVANE_SCREENSHOT_DIR "/scenario")).removeRecursively();
    ClientFolder folder;
    ASSERT_TRUE(folder.StoreDevices({})); // an empty database the simulator adds its devices to
    {
        // Short incident clips, so they are stored seconds after the incident.
        QSettings config(folder.Path() + QStringLiteral("/config.ini"), QSettings::IniFormat);
        config.setValue(QStringLiteral("Param/VideoTime"), 4);
    }
    SessionPlan plan;
    plan.controlPort = testsupport::reservePort();
    plan.rtspPort = testsupport::reservePort();
    plan.devicePort = testsupport::reservePort();
    plan.firstSubnet = testsupport::privateSubnet();
    const quint16 alarmPort = testsupport::reservePort();
    ASSERT_TRUE(StartSimulator(plan, alarmPort, folder.DatabasePath())) << simulatorOutput.constData();
    EXPECT_TRUE(simulatorOutput.contains(
        QStringLiteral("RTSP rtsp://%1:%2/live").arg(plan.CameraIp(0, 0)).arg(plan.rtspPort).toUtf8()))
        << simulatorOutput.constData();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CORVANE_APP_DIR"), folder.Path());
    // Saving the settings writes or removes the autostart entry: keep it in the folder.
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.Path() + QStringLiteral("/xdg-config"));
    plan.ToEnvironment(environment);
    client.setProcessEnvironment(environment);
    client.setProcessChannelMode(QProcess::MergedChannels);
    client.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--client"), QStringLiteral("--alarm-port"), QString::number(alarmPort)});
    ASSERT_TRUE(client.waitForStarted());

    const ClosingWatch watch = WatchUntilEnd(client, 500000);
    const QByteArray& output = watch.output;
    if (!output.contains("@@scenario failures=0"))
        std::printf("%s\n", output.constData());

    EXPECT_TRUE(output.contains("@@scenario failures=0"));
    ASSERT_TRUE(watch.closed) << "the session never got to closing the window";
    EXPECT_TRUE(watch.returned) << "main never returned after the window closed";
    EXPECT_LE(watch.shutdownMs, 2000) << LogTail(folder.Path(), 60);
    EXPECT_TRUE(watch.ended) << "still running long after main returned";
    // The whole session is leak-checked in the sanitizer build: its report is read, not cut off.
    EXPECT_TRUE(watch.SanitizerReports().isEmpty()) << output.right(20000).constData();
    EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(client.exitCode(), 0);

    // Only the dropped device may have caused error lines.
    const QStringList unexpected = UnprovokedErrors(folder.Path(), {plan.DeviceIp(1)});
    EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join(QLatin1Char('\n')).toStdString();
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (QByteArray(argv[i]) == "--client") {
            const int result = RunSessionClient(argc, argv);
            std::printf("@@returning %d\n", result);
            std::fflush(stdout);
            return result;
        }
    return testsupport::runTestsWithApplication<QCoreApplication>(argc, argv);
}

#include "test_scenario.moc"
