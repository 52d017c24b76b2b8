// The alarm road of the main window against the device simulator on an X
// server: incidents, violations and traffic parameters fired through the
// simulator's control commands end up as rows, pictures, clip requests, live
// list rows and the prompt window; hostile alarms are dropped.

#include "ClientFolder.h"
#include "DatabaseRows.h"
#include "QueuedSpy.h"

#include "ControlCommands.h"

#include "core/DeviceTime.h"
#include "core/FontSubstitution.h"
#include "data/ImplementInstance.h"
#include "core/IncidentVocabulary.h"
#include "core/LanguageManage.h"
#include "core/SharedRecords.h"
#include "monitor/ClientStartup.h"
#include "CorvaneParts.h"
#include "monitor/IncidentDetailInfoDialog.h"
#include "monitor/IncidentItem.h"
#include "monitor/IncidentPromptsDialog.h"
#include "monitor/IncidentSpeaker.h"
#include "dialogs/ConfigDialog.h"

#include "QSwitchButton.h"

#include <QApplication>
#include <QDirIterator>
#include <QScreen>
#include <QSignalSpy>
#include <QSqlRecord>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QPointer>
#include <QPropertyAnimation>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <memory>
#include <thread>

namespace {

QStringList FilesBelow(const QString& folder, const QString& pattern)
{
    QStringList files;
    QDirIterator it(folder, {pattern}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

template <size_t N>
void Put(char (&field)[N], const char* text)
{
    std::memset(field, 0, N);
    std::strncpy(field, text, N - 1);
}

quint32 PackedNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return (quint32(d.year() - 2000) << 26) | (quint32(d.month()) << 22) | (quint32(d.day()) << 17) |
           (quint32(t.hour()) << 12) | (quint32(t.minute()) << 6) | quint32(t.second());
}

// Makes a file read-only also for root, who writes files whatever their mode:
// root sets the immutable flag instead.
bool SetReadOnly(const QString& path, bool readOnly)
{
    const QByteArray name = QFile::encodeName(path);
    if (::geteuid() != 0)
        return ::chmod(name.constData(), readOnly ? 0400 : 0600) == 0;
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = readOnly ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
}

const QByteArray kJpeg("\xFF\xD8\xFF\xE0 not much of a picture \xFF\xD9", 28);

} // namespace

class AlarmRoadTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void incidentGivesRowPictureClipListRowAndPrompt();
    void sixIncidentsLeaveFiveRowsNewestOnTop();
    void liveRowsAreReusedForNewerIncidents();
    void filteredOutTypesLeaveNothing();
    void violationGivesOnePictureAndOneRow();
    void trafficParametersGiveOneRowPerLane();
    void malformedFramesAreDroppedAndLaterAlarmsStored();
    void hostileRecordsAreDroppedAndNothingLandsOutside_data();
    void hostileRecordsAreDroppedAndNothingLandsOutside();
    void changedDataPathTakesEffectAtTheNextAlarm();
    void savingSettingsDuringAFloodKeepsEachAlarmWhole();
    void incidentsOfOneSecondKeepTheirOwnPictures();
    void unwritablePictureKeepsTheAlarmUntilItCanBeWritten();
    void closingDuringAFloodLosesNoAlarm();
    void readOnlyDatabaseKeepsAlarmsUntilWritable();
    void fullDiskKeepsAlarmsUntilThereIsRoom();
    void promptRestartsItsFadeAndOpensDetailsOnLeftDoubleClick();
    void spokenIncidentsUseAnEngineOnTheGuiThread();
    void detailDialogShowsTextsWithoutPicture();
    void screenshots();

private:
    QString Control(const std::string& command);
    void OpenWindow();
    void CloseWindow();
    size_t AlarmsMade() const;
    qint64 LedgerNumber();
    bool AllAlarmsAcknowledged() const;
    void SetSetting(const QString& key, const QVariant& value);
    // Saves the configuration dialog as the operator does, from the window's
    // settings button, with clips on (of `clipSeconds`) or off.
    void SaveThroughDialog(const QString& dataPath, bool clips, int clipSeconds = 2);
    int IncidentRows() { return RowCount(folder->DatabasePath(), QStringLiteral("incidentInfo")); }
    // Sends one alarm on a thread of its own, as the SDK's listener does, so
    // blocking hand-overs to this (GUI) thread are served meanwhile.
    template <class Record, class Signal>
    void SendFromListenerThread(const TSR_ALARMER& alarmer, const Record& record, Signal signal);
    QString DataPath() const { return folder->Path() + QStringLiteral("/store"); }

    std::unique_ptr<ClientFolder> folder;
    devsim::Simulator simulator;
    std::vector<devsim::DeviceSpec> devices;
    quint16 alarmPort = 0;
    std::unique_ptr<Corvane> window;
};

void AlarmRoadTest::initTestCase()
{
    InstallFontSubstitutions();
    RegisterSharedRecordTypes();
    qApp->setStyleSheet(ClientStyleSheet());
    alarmPort = testsupport::reservePort();
    devices = SimulatedDevices(1, 1, alarmPort);
    std::string error;
    QVERIFY2(simulator.start(devices, devsim::Simulator::defaultClipPath(), error), error.c_str());
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
}

void AlarmRoadTest::init()
{
    folder = std::make_unique<ClientFolder>();
    qputenv("CORVANE_APP_DIR", QFile::encodeName(folder->Path()));
    // A save of the configuration dialog writes the autostart entry there.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder->Path() + QStringLiteral("/config")));
    QVERIFY(folder->StoreDevices(devices));
    OpenWindow();
}

void AlarmRoadTest::OpenWindow()
{
    QVERIFY(TSR_Init());
    QVERIFY(ImplementInstance::CreateInstance());
    ImplementInstance::GetInstance()->InitImplementInstance();
    SetSetting(QStringLiteral("Param/SaveDataPath"), DataPath());
    SetSetting(QStringLiteral("Param/CutVideo"), 0);
    SetSetting(QStringLiteral("Param/VideoTime"), 2);
    SetSetting(QStringLiteral("Param/SpeakText"), 1);
    window = std::make_unique<Corvane>(nullptr, alarmPort);
    window->move(40, 40);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    // Other tests share the X server: stay below their windows.
    window->lower();
    QTRY_COMPARE_WITH_TIMEOUT(TreeOf(window)->LoggedInDevices().size(), int(devices.size()), 30000);
}

void AlarmRoadTest::cleanup()
{
    // The simulator outlives each test and sends unacknowledged alarms again on
    // its next connection: let this test's alarms settle, or they land in the next one.
    QTRY_VERIFY_WITH_TIMEOUT(AllAlarmsAcknowledged(), 20000);
    CloseWindow();
    folder.reset();
}

void AlarmRoadTest::CloseWindow()
{
    if (!window)
        return;
    window->close();
    window.reset();
}

size_t AlarmRoadTest::AlarmsMade() const
{
    size_t made = 0;
    for (const devsim::SimDevice* device : simulator.devices())
        made += device->alarmsSent();
    return made;
}

qint64 AlarmRoadTest::LedgerNumber()
{
    const QList<QStringList> rows = Rows(folder->DatabasePath(), QStringLiteral("select lastNumber from AlarmLedger"));
    return rows.isEmpty() ? 0 : rows.at(0).at(0).toLongLong();
}

void AlarmRoadTest::cleanupTestCase()
{
    simulator.stop();
}

bool AlarmRoadTest::AllAlarmsAcknowledged() const
{
    const auto& simulated = simulator.devices();
    return std::all_of(simulated.begin(), simulated.end(),
                       [](const devsim::SimDevice* device) { return device->alarmsUnacknowledged() == 0; });
}

QString AlarmRoadTest::Control(const std::string& command)
{
    return QString::fromStdString(devsim::executeControl(simulator, command));
}

void AlarmRoadTest::SetSetting(const QString& key, const QVariant& value)
{
    QVERIFY(ImplementInstance::GetInstance()->GetConfig()->SetValue(key, value));
}

template <class Record, class Signal>
void AlarmRoadTest::SendFromListenerThread(const TSR_ALARMER& alarmer, const Record& record, Signal signal)
{
    std::atomic<bool> done{false};
    std::thread listener([&] {
        emit(DeviceManager::GetInstance()->*signal)(&alarmer, &record);
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 10000);
    listener.join();
}

void AlarmRoadTest::incidentGivesRowPictureClipListRowAndPrompt()
{
    DeviceManager::GetInstance()->SetClipTiming(
        ClipTiming{std::chrono::seconds(2), std::chrono::milliseconds(200), 50});
    const std::string device = devices.at(0).address;
    QCOMPARE(Control("fire " + device + " incident"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(IncidentRows(), 1, 20000);

    const QList<QStringList> rows =
        Rows(folder->DatabasePath(),
             QStringLiteral("select time, incidentType, deviceIp, channelIp, picPath, videoPath from incidentInfo"));
    const QStringList row = rows.at(0);
    const QString time = row[0];
    const quint32 type = row[1].toUInt();
    const QString expectedPicture = QStringLiteral("%1/data/IncidentImageDir/%2/%3/%4/incident_%5_%6_%7_%8.jpeg")
                                        .arg(DataPath(), QString::fromStdString(IncidentTypeName(type)), time.left(8),
                                             time.mid(8, 2), row[1], row[2], row[3], time);
    QCOMPARE(row[2], QString::fromStdString(device));
    QCOMPARE(row[4], expectedPicture);
    QCOMPARE(FilesBelow(DataPath() + QStringLiteral("/data"), QStringLiteral("*.jpeg")), QStringList{expectedPicture});
    QVERIFY(QFileInfo(expectedPicture).size() > 0);

    // The clip is asked for under the day's clip folder and arrives there.
    const QString expectedClip =
        QStringLiteral("%1/video/%2/incident_%3_%4_%5.mp4").arg(DataPath(), time.left(8), row[1], row[3], time);
    QCOMPARE(row[5], expectedClip);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(expectedClip).size() > 0, 30000);

    // One list row and the prompt window, both with this incident.
    auto* model = qobject_cast<QStandardItemModel*>(FORM_WIDGET(window, listViewIncident)->model());
    QCOMPARE(model->rowCount(), 1);
    IncidentItem* item = LiveRow(window);
    QVERIFY(item);
    QCOMPARE(item->picPath, expectedPicture);
    QCOMPARE(item->typeName, QString::fromStdString(IncidentTypeName(type)));
    QVERIFY(item->findChild<QLabel*>(QStringLiteral("labelDeviceIp"))->text().endsWith(QString::fromStdString(device)));

    auto* prompt = window->findChild<IncidentPromptsDialog*>();
    QVERIFY(prompt);
    QTRY_VERIFY(prompt->isVisible());
    QCOMPARE(prompt->findChild<QLabel*>(QStringLiteral("labelIncidentDevice"))->text(), QString::fromStdString(device));
    QCOMPARE(window->findChildren<IncidentPromptsDialog*>().size(), 1);
    // Bottom-right corner of the screen the window is on.
    const QRect area = window->screen()->availableGeometry();
    QCOMPARE(prompt->geometry().right(), area.right());
    QCOMPARE(prompt->geometry().bottom(), area.bottom() + 12);
}

void AlarmRoadTest::sixIncidentsLeaveFiveRowsNewestOnTop()
{
    QCOMPARE(Control("fire " + devices.at(0).address + " incident 6"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(IncidentRows(), 6, 20000);
    auto* model = qobject_cast<QStandardItemModel*>(FORM_WIDGET(window, listViewIncident)->model());
    const QList<QStringList> rows =
        Rows(folder->DatabasePath(), QStringLiteral("select picPath from incidentInfo order by rowid"));
    // A row is stored before the list gets it, and the list holds five rows
    // from the fifth incident on: only the sixth incident's row on top shows
    // that the list has seen all six.
    const auto topPicture = [&] {
        IncidentItem* item = LiveRow(window);
        return item ? item->picPath : QString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(topPicture(), rows.at(5).at(0), 20000);
    QCOMPARE(model->rowCount(), 5);
    // Newest on top: the stored pictures in reverse order of arrival.
    for (int i = 0; i < 5; ++i) {
        IncidentItem* item = LiveRow(window, i);
        QVERIFY(item);
        QCOMPARE(item->picPath, rows.at(5 - i).at(0));
    }
}

void AlarmRoadTest::liveRowsAreReusedForNewerIncidents()
{
    // A flood must not build a form per incident: the rows made for the first
    // incidents show the later ones, newest on top.
    auto* list = FORM_WIDGET(window, listViewIncident);
    QCOMPARE(Control("fire " + devices.at(0).address + " incident"), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(list->model()->rowCount() == 1 && list->indexWidget(list->model()->index(0, 0)), 20000);
    const QPointer<QWidget> firstRow = list->indexWidget(list->model()->index(0, 0));

    QCOMPARE(Control("fire " + devices.at(0).address + " incident 9"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(IncidentRows(), 10, 20000);
    const QList<QStringList> rows =
        Rows(folder->DatabasePath(), QStringLiteral("select picPath from incidentInfo order by rowid"));
    const auto topPicture = [&] {
        IncidentItem* item = LiveRow(window);
        return item ? item->picPath : QString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(topPicture(), rows.at(9).at(0), 20000);
    QCOMPARE(list->model()->rowCount(), 5);
    QVERIFY(firstRow);
    QCOMPARE(list->indexWidget(list->model()->index(0, 0)), firstRow.data());
    QCOMPARE(list->findChildren<IncidentItem*>().size(), 5);
    for (int i = 0; i < 5; ++i) {
        IncidentItem* item = LiveRow(window, i);
        QVERIFY(item);
        QCOMPARE(item->picPath, rows.at(9 - i).at(0));
        QVERIFY(item->findChild<QLabel*>(QStringLiteral("labelTime"))->text().contains(QLatin1Char('_')));
    }
}

void AlarmRoadTest::filteredOutTypesLeaveNothing()
{
    for (const IncidentTypeEntry& type : IncidentTypes())
        SetSetting(QString::fromLatin1(type.settingsKey), 0);
    QCOMPARE(Control("fire " + devices.at(0).address + " incident 3"), QStringLiteral("ok"));
    // A violation fired after them is stored, so the incidents had their turn.
    QCOMPARE(Control("fire " + devices.at(0).address + " violation"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(RowCount(folder->DatabasePath(), QStringLiteral("ForensicsInfo")), 1, 20000);
    QCOMPARE(IncidentRows(), 0);
    QVERIFY(FilesBelow(DataPath() + QStringLiteral("/data/IncidentImageDir"), QStringLiteral("*")).isEmpty());
    QCOMPARE(FORM_WIDGET(window, listViewIncident)->model()->rowCount(), 0);
    QVERIFY(!window->findChild<IncidentPromptsDialog*>());
}

void AlarmRoadTest::violationGivesOnePictureAndOneRow()
{
    QCOMPARE(Control("fire " + devices.at(0).address + " violation"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(RowCount(folder->DatabasePath(), QStringLiteral("ForensicsInfo")), 1, 20000);
    const QStringList row =
        Rows(folder->DatabasePath(),
             QStringLiteral("select time, violationType, deviceIp, picPath, plateNo from ForensicsInfo"))
            .at(0);
    const QString expected = QStringLiteral("%1/data/ForensicsImageDir/%2/%3/%4/forensics_%5_%6_%7.jpeg")
                                 .arg(DataPath(), QString::fromStdString(ViolationTypeName(row[1].toUInt())),
                                      row[0].left(8), row[0].mid(8, 2), row[1], row[2], row[0]);
    QCOMPARE(row[3], expected);
    QCOMPARE(FilesBelow(DataPath(), QStringLiteral("*.jpeg")), QStringList{expected});
    QVERIFY(!row[4].isEmpty());
    QCOMPARE(IncidentRows(), 0);
    QCOMPARE(FORM_WIDGET(window, listViewIncident)->model()->rowCount(), 0);
}

void AlarmRoadTest::trafficParametersGiveOneRowPerLane()
{
    QCOMPARE(Control("fire " + devices.at(0).address + " traffic"), QStringLiteral("ok"));
    const int lanes = devices.at(0).lanes;
    QVERIFY(lanes > 1);
    QTRY_COMPARE_WITH_TIMEOUT(RowCount(folder->DatabasePath(), QStringLiteral("TrafficParamInfo")), lanes, 20000);
    const QList<QStringList> rows =
        Rows(folder->DatabasePath(), QStringLiteral("select distinct startTime, deviceIp from TrafficParamInfo"));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(Rows(folder->DatabasePath(), QStringLiteral("select distinct laneNo from TrafficParamInfo")).size(),
             lanes);
    QVERIFY(FilesBelow(DataPath(), QStringLiteral("*")).isEmpty());
}

void AlarmRoadTest::malformedFramesAreDroppedAndLaterAlarmsStored()
{
    const std::string device = devices.at(0).address;
    for (const char* kind : {"wrong-record-size", "lane-count-nine", "picture-longer-than-sent", "unterminated-text",
                             "non-ipv4-text", "truncated", "length-over-cap"}) {
        QCOMPARE(Control("malformed " + device + " " + kind), QStringLiteral("ok"));
        QCOMPARE(Control("fire " + device + " incident"), QStringLiteral("ok"));
    }
    QTRY_COMPARE_WITH_TIMEOUT(IncidentRows(), 7, 30000);
    // Nothing but the pictures of the seven good incidents was written.
    QCOMPARE(FilesBelow(folder->Path(), QStringLiteral("*.jpeg")).size(),
             FilesBelow(DataPath() + QStringLiteral("/data/IncidentImageDir"), QStringLiteral("*.jpeg")).size());
    QVERIFY(RowCount(folder->DatabasePath(), QStringLiteral("TrafficParamInfo")) <= 8);
}

void AlarmRoadTest::hostileRecordsAreDroppedAndNothingLandsOutside_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("deviceIp");
    QTest::addColumn<QString>("channelIp");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<qint64>("pictureLength");
    QTest::newRow("climbing device address") << "incident"
                                             << "../../../evil"
                                             << "127.0.0.2" << 0LL << 28LL;
    QTest::newRow("channel address with a separator") << "incident"
                                                      << "127.0.0.1"
                                                      << "a/../../b" << 0LL << 28LL;
    QTest::newRow("picture longer than an alarm can carry") << "incident"
                                                            << "127.0.0.1"
                                                            << "" << 0LL << (64LL << 20);
    QTest::newRow("violation from a climbing address") << "violation"
                                                       << ".."
                                                       << "127.0.0.2" << 1LL << 28LL;
    QTest::newRow("nine violation pictures") << "violation"
                                             << "127.0.0.1"
                                             << "" << 9LL << 28LL;
    QTest::newRow("nine lanes") << "traffic"
                                << "127.0.0.1"
                                << "" << 9LL << 0LL;
    QTest::newRow("negative lanes") << "traffic"
                                    << "127.0.0.1"
                                    << "" << -1LL << 0LL;
    QTest::newRow("lanes from a climbing address") << "traffic"
                                                   << "../x"
                                                   << "" << 2LL << 0LL;
}

void AlarmRoadTest::hostileRecordsAreDroppedAndNothingLandsOutside()
{
    QFETCH(QString, kind);
    QFETCH(QString, deviceIp);
    QFETCH(QString, channelIp);
    QFETCH(qint64, count);
    QFETCH(qint64, pictureLength);

    TSR_ALARMER alarmer{};
    Put(alarmer.sDeviceIP, deviceIp.toLatin1().constData());
    QByteArray picture = kJpeg;
    if (kind == QLatin1String("incident")) {
        TSR_AID_ALARM record{};
        record.dwAbsTime = PackedNow();
        Put(record.struDevInfo.sIpV4, channelIp.toLatin1().constData());
        record.dwIncidentType = 4;
        record.dwPicDataLen = static_cast<uint32_t>(pictureLength);
        record.pImage = reinterpret_cast<uint8_t*>(picture.data()); // shorter than claimed: must not be read
        SendFromListenerThread(alarmer, record, &DeviceManager::AlarmAidSig);
    } else if (kind == QLatin1String("violation")) {
        TSR_TFS_ALARM record{};
        record.dwAbsTime = PackedNow();
        record.dwIllegalType = 1039;
        Put(record.struDevInfo.sIpV4, channelIp.toLatin1().constData());
        record.dwPicNum = static_cast<uint32_t>(count);
        for (auto& entry : record.struPicInfo) {
            entry.dwDataLen = static_cast<uint32_t>(picture.size());
            entry.pBuffer = reinterpret_cast<uint8_t*>(picture.data());
        }
        SendFromListenerThread(alarmer, record, &DeviceManager::AlarmTfsResultSig);
    } else {
        TSR_TPS_ALARM record{};
        record.dwStartTime = record.dwStopTime = PackedNow();
        Put(record.struDevInfo.sIpV4, channelIp.toLatin1().constData());
        record.nLaneNum = static_cast<int32_t>(count);
        SendFromListenerThread(alarmer, record, &DeviceManager::AlarmTpsSig);
    }
    // Only what the simulator sent may be stored (a late alarm of the previous
    // case can arrive here): nothing of the hostile record.
    const QString simulated = QString::fromStdString(devices.at(0).address);
    for (const char* table : {"incidentInfo", "ForensicsInfo", "TrafficParamInfo"})
        QVERIFY2(
            Rows(folder->DatabasePath(),
                 QStringLiteral("select deviceIp from %1 where deviceIp <> '%2'").arg(QLatin1String(table), simulated))
                .isEmpty(),
            table);
    QVERIFY(FilesBelow(folder->Path(), QStringLiteral("*evil*")).isEmpty());
    for (const QString& file : FilesBelow(folder->Path(), QStringLiteral("*.jpeg")))
        QVERIFY2(file.contains(simulated + QLatin1Char('_')), qPrintable(file));
    const int before = IncidentRows();

    // The road is still open for the next alarm.
    QCOMPARE(Control("fire " + devices.at(0).address + " incident"), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(IncidentRows() > before, 20000);
}

void AlarmRoadTest::SaveThroughDialog(const QString& dataPath, bool clips, int clipSeconds)
{
    bool saved = false;
    // The dialog runs modally inside the button's slot: it is filled and
    // saved from the event loop that runs it.
    QTimer::singleShot(0, window.get(), [&] {
        auto* dialog = qobject_cast<ConfigDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        const auto setSwitch = [dialog](const char* name, QSwitchButton::StateFlag state) {
            auto* button = dialog->findChild<QSwitchButton*>(QLatin1String(name));
            if (button->switchState() != state)
                QTest::mouseClick(button, Qt::LeftButton);
        };
        setSwitch("switchBtnAutoStart", QSwitchButton::off);
        setSwitch("switchBtnCutVideo", clips ? QSwitchButton::on : QSwitchButton::off);
        if (clips)
            dialog->findChild<QLineEdit*>(QStringLiteral("lineEditCutVideoSeconds"))
                ->setText(QString::number(clipSeconds));
        dialog->findChild<QLineEdit*>(QStringLiteral("lineEditSavePath"))->setText(dataPath);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("pBtnConfigSave")), Qt::LeftButton);
        saved = !dialog->isVisible();
        if (!saved)
            dialog->reject();
    });
    QVERIFY(QMetaObject::invokeMethod(window.get(), "on_qIconPtnSet_clicked"));
    QVERIFY2(saved, qPrintable(dataPath));
}

void AlarmRoadTest::changedDataPathTakesEffectAtTheNextAlarm()
{
    const QString moved = folder->Path() + QStringLiteral("/moved");
    SaveThroughDialog(moved, false);
    QCOMPARE(Control("fire " + devices.at(0).address + " incident"), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(IncidentRows() >= 1, 20000);
    // Every stored picture went to the new path (a late alarm of the previous case included).
    QTRY_COMPARE(FilesBelow(moved, QStringLiteral("*.jpeg")).size(), IncidentRows());
    QVERIFY(FilesBelow(DataPath(), QStringLiteral("*.jpeg")).isEmpty());
}

void AlarmRoadTest::savingSettingsDuringAFloodKeepsEachAlarmWhole()
{
    // Two saves alternate while the device floods the listener: clips into
    // "cut", or no clips into "plain". An alarm that took the path of one save
    // and the clip switch of the other is a row with a clip under "plain" or
    // none under "cut". Run in the ThreadSanitizer build, this also shows that
    // the dialog's saves and the alarms do not race.
    DeviceManager::GetInstance()->SetClipTiming(
        ClipTiming{std::chrono::seconds(2), std::chrono::milliseconds(100), 20});
    const QString cut = folder->Path() + QStringLiteral("/cut");
    const QString plain = folder->Path() + QStringLiteral("/plain");
    constexpr int kFlood = 150;
    devsim::SimDevice& device = *simulator.devices().at(0);
    const size_t madeBefore = AlarmsMade();
    device.fireAlarms(devsim::AlarmKind::Incident, kFlood);
    int saves = 0;
    while (!(AlarmsMade() == madeBefore + kFlood && AllAlarmsAcknowledged()) || saves < 4) {
        SaveThroughDialog(saves % 2 ? cut : plain, saves % 2 == 1);
        ++saves;
        QVERIFY2(saves < 2000, "the flood was not stored");
    }

    const QList<QStringList> rows =
        Rows(folder->DatabasePath(), QStringLiteral("select picPath, videoPath from incidentInfo"));
    QCOMPARE(rows.size(), kFlood);
    int underCut = 0;
    for (const QStringList& row : rows) {
        const bool inCut = row[0].startsWith(cut + QLatin1Char('/'));
        QVERIFY2(inCut || row[0].startsWith(plain + QLatin1Char('/')) ||
                     row[0].startsWith(DataPath() + QLatin1Char('/')),
                 qPrintable(row[0]));
        QVERIFY(QFileInfo(row[0]).size() > 0);
        if (row[0].startsWith(DataPath() + QLatin1Char('/')))
            continue; // stored before the first save
        underCut += inCut;
        QVERIFY2(row[1].isEmpty() != inCut, qPrintable(row.join(QLatin1Char(' '))));
        if (inCut)
            QVERIFY2(row[1].startsWith(cut + QStringLiteral("/video/")), qPrintable(row[1]));
    }
    QVERIFY(saves >= 4);
    QVERIFY2(underCut > 0 && underCut < kFlood, qPrintable(QString::number(underCut)));
    // The window keeps the last save for the next alarm.
    const int before = IncidentRows();
    QCOMPARE(Control("fire " + devices.at(0).address + " incident"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(IncidentRows(), before + 1, 20000);
    const QString last = saves % 2 ? plain : cut;
    const QStringList newest =
        Rows(folder->DatabasePath(),
             QStringLiteral("select picPath, videoPath from incidentInfo order by rowid desc limit 1"))
            .at(0);
    QVERIFY2(newest[0].startsWith(last + QLatin1Char('/')), qPrintable(newest[0]));
}

void AlarmRoadTest::incidentsOfOneSecondKeepTheirOwnPictures()
{
    TSR_ALARMER alarmer{};
    Put(alarmer.sDeviceIP, "127.0.0.1");
    TSR_AID_ALARM record{};
    record.dwAbsTime = PackedNow();
    Put(record.struDevInfo.sIpV4, "127.0.0.2");
    record.dwIncidentType = 4;
    QByteArray first = kJpeg, second = kJpeg + "2";
    for (QByteArray* picture : {&first, &second}) {
        record.dwPicDataLen = static_cast<uint32_t>(picture->size());
        record.pImage = reinterpret_cast<uint8_t*>(picture->data());
        SendFromListenerThread(alarmer, record, &DeviceManager::AlarmAidSig);
    }
    const QList<QStringList> rows =
        Rows(folder->DatabasePath(), QStringLiteral("select picPath from incidentInfo order by rowid"));
    QCOMPARE(rows.size(), 2);
    QVERIFY(rows[0][0] != rows[1][0]);
    QFile a(rows[0][0]), b(rows[1][0]);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(a.readAll(), first);
    QCOMPARE(b.readAll(), second);
}

void AlarmRoadTest::unwritablePictureKeepsTheAlarmUntilItCanBeWritten()
{
    // A file where the picture tree's folder should be: no picture can be written.
    QVERIFY(QDir().mkpath(DataPath()));
    QFile blocker(DataPath() + QStringLiteral("/data"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QueuedSpy<bool> failing(DeviceManager::GetInstance(), &DeviceManager::AlarmStoreFailingSig);
    QCOMPARE(Control("fire " + devices.at(0).address + " incident 2"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(failing.count(), 1, 20000);
    QCOMPARE(failing.at(0), true);
    QCOMPARE(IncidentRows(), 0);
    QCOMPARE(simulator.devices().at(0)->alarmsUnacknowledged(), size_t(2));

    // Room for the pictures again: the device's next try stores both, once.
    QVERIFY(blocker.remove());
    QTRY_VERIFY_WITH_TIMEOUT(AllAlarmsAcknowledged(), 20000);
    QCOMPARE(IncidentRows(), 2);
    for (const QStringList& row : Rows(folder->DatabasePath(), QStringLiteral("select picPath from incidentInfo")))
        QVERIFY(QFileInfo(row.at(0)).size() > 0);
    QTRY_COMPARE(failing.count(), 2);
    QCOMPARE(failing.at(1), false);
    QTRY_COMPARE(FORM_WIDGET(window, listViewIncident)->model()->rowCount(), 2);
}

void AlarmRoadTest::closingDuringAFloodLosesNoAlarm()
{
    constexpr int kCloses = 5;
    constexpr int kFlood = 150;
    devsim::SimDevice& device = *simulator.devices().at(0);
    const size_t madeBefore = AlarmsMade();
    int closesMidFlood = 0;
    for (int close = 0; close < kCloses; ++close) {
        const int rowsBefore = IncidentRows();
        device.fireAlarms(devsim::AlarmKind::Incident, kFlood);
        QTRY_VERIFY_WITH_TIMEOUT(IncidentRows() >= rowsBefore + 10, 30000);
        closesMidFlood += device.alarmsUnacknowledged() > 0;
        CloseWindow();
        OpenWindow();
    }
    QCOMPARE(closesMidFlood, kCloses);
    QTRY_VERIFY_WITH_TIMEOUT(AllAlarmsAcknowledged() && AlarmsMade() == madeBefore + kCloses * kFlood, 120000);
    // Every alarm the device made is a row, none twice.
    QCOMPARE(IncidentRows(), kCloses * kFlood);
    QCOMPARE(LedgerNumber(), qint64(device.alarmsSent()));
}

void AlarmRoadTest::readOnlyDatabaseKeepsAlarmsUntilWritable()
{
    CloseWindow();
    const QString database = folder->DatabasePath();
    QVERIFY(SetReadOnly(database, true));
    // The folder must go even when a check below fails.
    std::shared_ptr<void> writableAtTheEnd(nullptr, [&](void*) { SetReadOnly(database, false); });
    OpenWindow();
    QueuedSpy<bool> failing(DeviceManager::GetInstance(), &DeviceManager::AlarmStoreFailingSig);
    const size_t madeBefore = AlarmsMade();
    QCOMPARE(Control("fire " + devices.at(0).address + " incident 20"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(AlarmsMade(), madeBefore + 20, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(failing.count(), 1, 20000);
    QCOMPARE(failing.at(0), true);
    // The device tries again (a refusal closes its connection after a second):
    // still one message for the operator, and nothing acknowledged.
    const size_t resentBefore = simulator.devices().at(0)->alarmsResent();
    QTRY_VERIFY_WITH_TIMEOUT(simulator.devices().at(0)->alarmsResent() >= resentBefore + 40, 30000);
    QCOMPARE(failing.count(), 1);
    QCOMPARE(simulator.devices().at(0)->alarmsUnacknowledged(), size_t(20));

    // Writable again: the running client stores them by itself, each once.
    QVERIFY(SetReadOnly(database, false));
    QTRY_VERIFY_WITH_TIMEOUT(AllAlarmsAcknowledged(), 30000);
    QCOMPARE(IncidentRows(), 20);
    QCOMPARE(LedgerNumber(), qint64(simulator.devices().at(0)->alarmsSent()));
    QTRY_COMPARE(failing.count(), 2);
    QCOMPARE(failing.at(1), false);
    QCOMPARE(FilesBelow(DataPath() + QStringLiteral("/data"), QStringLiteral("*.jpeg")).size(), 20);
}

void AlarmRoadTest::fullDiskKeepsAlarmsUntilThereIsRoom()
{
    // A file size limit of one byte: every write to a file (pictures, the
    // database's log) fails as on a full disk.
    rlimit unlimited{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit full = unlimited;
    full.rlim_cur = 1;
    QueuedSpy<bool> failing(DeviceManager::GetInstance(), &DeviceManager::AlarmStoreFailingSig);
    const size_t madeBefore = AlarmsMade();
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);
    QCOMPARE(Control("fire " + devices.at(0).address + " incident 10"), QStringLiteral("ok"));
    const bool failed = QTest::qWaitFor([&] { return failing.count() == 1 && AlarmsMade() == madeBefore + 10; }, 20000);
    const size_t unacknowledged = simulator.devices().at(0)->alarmsUnacknowledged();
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &unlimited), 0);
    std::signal(SIGXFSZ, previousSignal);
    QVERIFY(failed);
    QCOMPARE(unacknowledged, size_t(10));

    QTRY_VERIFY_WITH_TIMEOUT(AllAlarmsAcknowledged(), 30000);
    QCOMPARE(IncidentRows(), 10);
    QCOMPARE(LedgerNumber(), qint64(simulator.devices().at(0)->alarmsSent()));
    QCOMPARE(FilesBelow(DataPath() + QStringLiteral("/data"), QStringLiteral("*.jpeg")).size(), 10);
    QTRY_COMPARE(failing.count(), 2);
}

void AlarmRoadTest::promptRestartsItsFadeAndOpensDetailsOnLeftDoubleClick()
{
    QCOMPARE(Control("fire " + devices.at(0).address + " incident"), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(window->findChild<IncidentPromptsDialog*>(), 20000);
    auto* prompt = window->findChild<IncidentPromptsDialog*>();
    QTRY_VERIFY(prompt->isVisible());
    QTRY_VERIFY(prompt->FadeAnimation()->currentTime() > 300);
    // The next incident stops the fade and starts it from the beginning.
    qRegisterMetaType<QAbstractAnimation::State>();
    QSignalSpy fadeStates(prompt->FadeAnimation(), &QAbstractAnimation::stateChanged);
    QCOMPARE(Control("fire " + devices.at(0).address + " incident"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(fadeStates.count(), 2, 20000);
    QCOMPARE(fadeStates.at(0).at(0).value<QAbstractAnimation::State>(), QAbstractAnimation::Stopped);
    QCOMPARE(fadeStates.at(1).at(0).value<QAbstractAnimation::State>(), QAbstractAnimation::Running);
    QVERIFY(prompt->FadeAnimation()->currentTime() < IncidentPromptsDialog::kFadeMs / 2);

    // The right button does nothing.
    QTest::mouseDClick(prompt, Qt::RightButton, {}, QPoint(100, 100));
    QVERIFY(prompt->isVisible());

    // The left button closes the prompt and opens the details modally.
    bool detailsSeen = false;
    QTimer::singleShot(200, [&] {
        auto* dialog = qobject_cast<IncidentDetailInfoDialog*>(QApplication::activeModalWidget());
        if (dialog) {
            detailsSeen = dialog->findChild<QLabel*>(QStringLiteral("labelDetailDevIp"))->text() ==
                          QString::fromStdString(devices.at(0).address);
            dialog->reject();
        }
    });
    QTest::mouseDClick(prompt, Qt::LeftButton, {}, QPoint(100, 100));
    QVERIFY(detailsSeen);
    QVERIFY(!prompt->isVisible());
}

void AlarmRoadTest::spokenIncidentsUseAnEngineOnTheGuiThread()
{
    SetSetting(QStringLiteral("Param/SpeakText"), 0);
    QCOMPARE(Control("fire " + devices.at(0).address + " incident 2"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(FORM_WIDGET(window, listViewIncident)->model()->rowCount(), 2, 20000);
    QVERIFY2(IncidentSpeaker::Available(), "espeak-ng finds no voice data");
    // One speaker for the window's life, owned by the window on the GUI thread.
    QTRY_COMPARE(window->findChildren<IncidentSpeaker*>().size(), 1);
    auto* speaker = window->findChild<IncidentSpeaker*>();
    QCOMPARE(speaker->thread(), qApp->thread());
    // The next incident's name is spoken in Mandarin.
    QSignalSpy spoken(speaker, &IncidentSpeaker::Spoken);
    QCOMPARE(Control("fire " + devices.at(0).address + " incident"), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(!spoken.isEmpty(), 30000);
    const auto utterance = spoken.last().at(0).value<IncidentSpeaker::Utterance>();
    QVERIFY2(utterance.text.endsWith(QStringLiteral("事件报警")), qPrintable(utterance.text));
    QCOMPARE(utterance.voiceLanguage, QStringLiteral("cmn"));
    QVERIFY(utterance.Seconds() > 0.5);
    QTRY_COMPARE_WITH_TIMEOUT(IncidentRows(), 3, 20000);
}

void AlarmRoadTest::detailDialogShowsTextsWithoutPicture()
{
    IncidentDetailInfoDialog dialog;
    dialog.SetInfo(QString(), QStringLiteral("逆行"), QStringLiteral("2024_05_01 13:45:02"),
                   QStringLiteral("192.0.2.10"), QStringLiteral("192.0.2.11"), 0, QString());
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("labelDetailLaneNo"))->text(), QStringLiteral("0"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("labelDetailChannel"))->text(), QStringLiteral("192.0.2.11"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("labelType"))->text(), QStringLiteral("逆行"));
    QVERIFY(!dialog.findChild<QLabel*>(QStringLiteral("labelIcon"))->isVisibleTo(&dialog));
    QCOMPARE(dialog.size(), QSize(810, 550));
}

void AlarmRoadTest::screenshots()
{
    const QString dir = QStringLiteral(CORVANE_SCREENSHOT_DIR);
    QVERIFY(QDir().mkpath(dir));
    QCOMPARE(Control("fire " + devices.at(0).address + " incident 3"), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(FORM_WIDGET(window, listViewIncident)->model()->rowCount(), 3, 20000);
    auto* prompt = window->findChild<IncidentPromptsDialog*>();
    QVERIFY(prompt);
    const QString picture =
        Rows(folder->DatabasePath(), QStringLiteral("select picPath from incidentInfo")).at(0).at(0);
    for (const auto language : {LanguageManage::Chinese, LanguageManage::English}) {
        LanguageManage::GetInstance()->SwitchLanguage(language);
        // Rows keep the language they were made in: a fresh one on top.
        const int before = IncidentRows();
        QCOMPARE(Control("fire " + devices.at(0).address + " incident"), QStringLiteral("ok"));
        QTRY_COMPARE_WITH_TIMEOUT(IncidentRows(), before + 1, 20000);
        // The switch itself retranslates the prompt up on the screen.
        QCOMPARE(prompt->findChild<QLabel*>(QStringLiteral("labelChannelNo"))->text(),
                 language == LanguageManage::English ? QStringLiteral("Channel") : QStringLiteral("通道号"));
        prompt->setWindowOpacity(1.0);
        prompt->show();
        QTest::qWait(100); // the layouts settle after the new texts
        const QString suffix = language == LanguageManage::Chinese ? QStringLiteral("zh") : QStringLiteral("en");
        QVERIFY(FORM_WIDGET(window, listViewIncident)
                    ->grab()
                    .save(dir + QStringLiteral("/incident_list_%1.png").arg(suffix)));
        QVERIFY(prompt->grab().save(dir + QStringLiteral("/incident_prompt_%1.png").arg(suffix)));
        IncidentDetailInfoDialog details;
        details.SetInfo(QString(), QString::fromStdString(IncidentTypeName(WrongWayDriving)),
                        QStringLiteral("2024_05_01 13:45:02"), QStringLiteral("127.0.10.1"),
                        QStringLiteral("127.0.10.2"), 2, picture);
        details.show();
        QVERIFY(QTest::qWaitForWindowExposed(&details));
        QVERIFY(details.grab().save(dir + QStringLiteral("/incident_detail_%1.png").arg(suffix)));
    }
}

QTEST_MAIN(AlarmRoadTest)
#include "test_alarm_road.moc"
