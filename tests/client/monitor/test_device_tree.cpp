// The main window's device panel against the device simulator: the login pass
// at start-up, channel rows following drops and restores, adding, editing,
// deleting and refreshing devices (tree, database and logins agreeing after
// each), the row buttons and the device search with its history.

#include "ClientFolder.h"
#include "QueuedSpy.h"

#include "ControlCommands.h"
#include "core/FontSubstitution.h"
#include "data/ImplementInstance.h"
#include "core/LanguageManage.h"
#include "core/SharedRecords.h"
#include "dialogs/AddDeviceDlg.h"
#include "dialogs/QPromptWidget.h"
#include "monitor/ClientStartup.h"
#include "CorvaneParts.h"
#include "monitor/DeviceTreeRoles.h"
#include "monitor/HintListWidget.h"
#include "monitor/KvorPlayWindow.h"
#include "monitor/TreeViewDelegate.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

QString ToastText()
{
    QPromptWidget* toast = QPromptWidget::Current();
    QLabel* label = toast ? toast->findChild<QLabel*>(QStringLiteral("labMsg")) : nullptr;
    return label ? label->text() : QString();
}

QString Ip(const devsim::DeviceSpec& device)
{
    return QString::fromStdString(device.address);
}

bool SameIcon(const QIcon& icon, const char* picture)
{
    return icon.pixmap(16).toImage() == QIcon(QString::fromLatin1(picture)).pixmap(16).toImage();
}

// Runs one statement on the database file through a connection of the test's own.
bool RunSql(const QString& path, const QString& statement)
{
    const QString name = QStringLiteral("test-sql");
    bool ran = false;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(path);
        ran = database.open() && QSqlQuery(database).exec(statement);
    }
    QSqlDatabase::removeDatabase(name);
    return ran;
}

int LoginsTo(const QString& ip)
{
    int count = 0;
    for (const stu_LoginInfo& login : DeviceManager::GetInstance()->GetLoginList())
        count += login.deviceIp == ip ? 1 : 0;
    return count;
}

stu_DeviceInfo DeviceOf(QStandardItem* row)
{
    return qvariant_cast<stu_DeviceInfo>(row->data(DeviceTreeRoles::Device));
}

} // namespace

class DeviceTreeTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void startUpShowsDevicesChannelsAndOneToast();
    void channelRowsFollowDropsAndRestores();
    void refusedLoginShowsItsFailure();
    void addEditRefreshDeleteKeepTreeDatabaseAndLoginsAgreeing();
    void editToANewAddressLeavesNothingOfTheOld();
    void busyRowsRefuseEditDeleteAndRefresh();
    void unreadableCamerasLeaveAnEmptyRowWithoutTheirLogins();
    void overlappingPassesKeepOneRowPerDevice();
    void deletingAPreviewedDeviceStopsItsPanes();
    void editingAPreviewedDeviceKeepsTreeAndPanesAgreeing();
    void rowButtonsEmitTheirSignals();
    void searchMatchesFullNamesAndKeepsHistory();
    void screenshots();

private:
    QString Control(const QString& line);
    void WaitForPass(int passes);
    QStandardItem* Row(const QString& ip) const;
    // Opens the add or edit dialog with `open` and, once it shows, runs `fill`.
    void WithDialog(const std::function<void()>& open, const std::function<void(AddDeviceDlg&)>& fill);
    void Fill(AddDeviceDlg& dialog, const QString& name, const QString& ip, const devsim::DeviceSpec& device);
    void Click(AddDeviceDlg& dialog, const char* button);
    // Tree rows, stored devices and channels, and the device link's logins agree.
    void ExpectAgreement();
    // The logins open on the simulator's side, devices and cameras.
    int OpenSessions();
    // Opens the edit dialog of the device at `ip` and confirms the device's new values.
    void Edit(const QString& ip, const QString& name, const devsim::DeviceSpec& device);
    int LiveStreamsOf(const devsim::DeviceSpec& device) const;

    ClientFolder folder;
    devsim::Simulator simulator;
    std::vector<devsim::DeviceSpec> devices; // the first three are stored
    quint16 alarmPort = 0;
    std::unique_ptr<Corvane> window;
    std::unique_ptr<QueuedSpy<QString>> passes;
    int finishedOnGui = 0;
};

void DeviceTreeTest::initTestCase()
{
    folder.PrepareApplication();
    alarmPort = testsupport::reservePort();
    devices = SimulatedDevices(5, 2, alarmPort);
    std::string error;
    QVERIFY2(simulator.start(devices, devsim::Simulator::defaultClipPath(), error), error.c_str());
    QVERIFY(folder.StoreDevices({devices.begin(), devices.begin() + 3}));
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
}

void DeviceTreeTest::init()
{
    QVERIFY(TSR_Init());
    // Drops are noticed after three missed heartbeats.
    QVERIFY(TSR_SetNetworkTimes(1000, 2000, 500));
    QVERIFY(ImplementInstance::CreateInstance());
    ImplementInstance::GetInstance()->InitImplementInstance();
    // Every test starts from the first three devices, whatever the last one left.
    {
        DatabaseOperation database;
        QVERIFY(database.ConnectDatabase(folder.DatabasePath()));
        QStringList stored;
        QVERIFY(database.GetAllDeviceIp(stored));
        for (const QString& ip : qAsConst(stored))
            QVERIFY(database.DeleteDeviceInfoByIp(ip));
        database.CloseDatabase();
    }
    QVERIFY(folder.StoreDevices({devices.begin(), devices.begin() + 3}));
    window = std::make_unique<Corvane>(nullptr, alarmPort);
    // Connected before the event loop runs, so the start-up pass's hand-over is seen.
    passes = std::make_unique<QueuedSpy<QString>>(window.get(), &Corvane::DeviceLoginFinishedSig);
    // Queued behind the window's own (blocking) hand-over: counts passes whose toast showed.
    finishedOnGui = 0;
    connect(
        window.get(), &Corvane::DeviceLoginFinishedSig, this, [this] { ++finishedOnGui; }, Qt::QueuedConnection);
    window->move(40, 40);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    WaitForPass(1);
}

void DeviceTreeTest::cleanup()
{
    passes.reset();
    window->close();
    window.reset();
    // Every login the window held ends with it.
    QTRY_COMPARE_WITH_TIMEOUT(OpenSessions(), 0, 10000);
    delete QPromptWidget::Current();
    Control(QStringLiteral("refuse all off"));
    Control(QStringLiteral("stall all off"));
}

void DeviceTreeTest::cleanupTestCase()
{
    simulator.stop();
}

QString DeviceTreeTest::Control(const QString& line)
{
    return QString::fromStdString(devsim::executeControl(simulator, line.toStdString()));
}

void DeviceTreeTest::WaitForPass(int count)
{
    QTRY_COMPARE_WITH_TIMEOUT(finishedOnGui, count, 30000);
    // Recorded after the toast's hand-over returned, so a moment later.
    QTRY_COMPARE(passes->count(), count);
    QVERIFY(FORM_WIDGET(window, qIconPbtnRefresh)->isEnabled());
}

QStandardItem* DeviceTreeTest::Row(const QString& ip) const
{
    QStandardItemModel* model = TreeOf(window)->Model();
    for (int row = 0; row < model->rowCount(); ++row)
        if (DeviceOf(model->item(row)).deviceIp == ip)
            return model->item(row);
    return nullptr;
}

void DeviceTreeTest::WithDialog(const std::function<void()>& open, const std::function<void(AddDeviceDlg&)>& fill)
{
    AddDeviceDlg* dialog = TreeOf(window)->AddDialog();
    bool ran = false;
    QTimer::singleShot(0, dialog, [&] {
        QTRY_VERIFY(dialog->isVisible());
        fill(*dialog);
        ran = true;
        if (dialog->isVisible())
            dialog->reject();
    });
    open();
    QVERIFY(ran);
}

void DeviceTreeTest::Fill(AddDeviceDlg& dialog, const QString& name, const QString& ip,
                          const devsim::DeviceSpec& device)
{
    dialog.findChild<QLineEdit*>(QStringLiteral("lineEditDeviceName"))->setText(name);
    dialog.findChild<QLineEdit*>(QStringLiteral("LineEditIp"))->setText(ip);
    dialog.findChild<QLineEdit*>(QStringLiteral("lineEditPort"))->setText(QString::number(device.port));
    dialog.findChild<QLineEdit*>(QStringLiteral("lineEditUserName"))->setText(QString::fromStdString(device.user));
    dialog.findChild<QLineEdit*>(QStringLiteral("lineEditPassWd"))->setText(QString::fromStdString(device.password));
}

void DeviceTreeTest::Click(AddDeviceDlg& dialog, const char* button)
{
    QTest::mouseClick(dialog.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
}

void DeviceTreeTest::ExpectAgreement()
{
    DatabaseOperation* database = ImplementInstance::GetInstance()->GetDatabase();
    QStringList stored;
    QVERIFY(database->GetAllDeviceIp(stored));
    QStandardItemModel* model = TreeOf(window)->Model();
    QStringList shown;
    int cameras = 0;
    for (int row = 0; row < model->rowCount(); ++row) {
        QStandardItem* device = model->item(row);
        const stu_DeviceInfo info = DeviceOf(device);
        shown << info.deviceIp;
        QCOMPARE(LoginsTo(info.deviceIp), 1);
        QVERIFY(TreeOf(window)->IsDeviceExist(info.deviceIp));
        QStringList storedChannels;
        QVERIFY(database->GetChannelIpByDevIp(info.deviceIp, storedChannels));
        QStringList channels;
        for (int i = 0; i < device->rowCount(); ++i) {
            channels << device->child(i)->text();
            QCOMPARE(LoginsTo(device->child(i)->text()), 1);
        }
        cameras += device->rowCount();
        storedChannels.sort();
        channels.sort();
        QCOMPARE(channels, storedChannels);
    }
    stored.sort();
    shown.sort();
    QCOMPARE(shown, stored);
    QCOMPARE(TreeOf(window)->KnownDevices().size(), shown.size());
    // No login is left over: one per device and camera, each held by the window
    // and open on the simulator (where a logout arrives a moment later).
    QCOMPARE(DeviceManager::GetInstance()->GetLoginList().size(), shown.size() + cameras);
    QCOMPARE(TreeOf(window)->LoggedInDevices().size(), shown.size());
    QCOMPARE(TreeOf(window)->LoggedInChannels().size(), cameras);
    QTRY_COMPARE_WITH_TIMEOUT(OpenSessions(), shown.size() + cameras, 10000);
    QCOMPARE(TreeOf(window)->KnownChannels().size(), cameras);
}

int DeviceTreeTest::OpenSessions()
{
    const QString answer = Control(QStringLiteral("sessions all"));
    return answer.startsWith(QStringLiteral("ok ")) ? answer.mid(3).toInt() : -1;
}

void DeviceTreeTest::Edit(const QString& ip, const QString& name, const devsim::DeviceSpec& device)
{
    WithDialog([&] { window->EditSlot(Row(ip)->index()); },
               [&](AddDeviceDlg& dialog) {
                   Fill(dialog, name, QString::fromStdString(device.address), device);
                   Click(dialog, "pBtnAdd");
               });
}

int DeviceTreeTest::LiveStreamsOf(const devsim::DeviceSpec& device) const
{
    int streams = 0;
    for (const devsim::CameraSpec& camera : device.cameras)
        streams += simulator.find(camera.address)->liveStreams();
    return streams;
}

void DeviceTreeTest::startUpShowsDevicesChannelsAndOneToast()
{
    QCOMPARE(passes->count(), 1);
    QCOMPARE(passes->at(0), QString());
    QCOMPARE(ToastText(), QStringLiteral("设备登录成功"));
    QStandardItemModel* model = TreeOf(window)->Model();
    QCOMPARE(model->rowCount(), 3);
    for (int i = 0; i < 3; ++i) {
        QStandardItem* row = Row(Ip(devices[i]));
        QVERIFY(row);
        // The stored order, however the logins overtook each other.
        QCOMPARE(row->row(), i);
        QCOMPARE(row->text(), QString::fromStdString(devices[i].name));
        QCOMPARE(row->data(DeviceTreeRoles::Busy).toInt(), 0);
        QCOMPARE(row->rowCount(), 2);
        for (int c = 0; c < 2; ++c) {
            QStandardItem* channel = row->child(c);
            QCOMPARE(channel->text(), QString::fromStdString(devices[i].cameras[c].address));
            QCOMPARE(channel->data(DeviceTreeRoles::LoginState).toInt(), 1);
            QVERIFY(channel->isCheckable());
            QVERIFY(SameIcon(channel->icon(), ":images/preview/generalChannel.png"));
        }
    }
    QVERIFY(FORM_WIDGET(window, treeViewDevice)->isExpanded(model->index(0, 0)));
    // Whole addresses only: neither a longer address nor a part of one is a known device.
    const QString first = Ip(devices[0]);
    QVERIFY(TreeOf(window)->IsDeviceExist(first));
    for (const QString& other : {first + QLatin1Char('0'), first.mid(1), first.chopped(1)})
        QVERIFY2(!TreeOf(window)->IsDeviceExist(other), qPrintable(other));
    ExpectAgreement();
}

void DeviceTreeTest::channelRowsFollowDropsAndRestores()
{
    QStandardItem* device = Row(Ip(devices[0]));
    QVERIFY(device);
    QStandardItem* camera = device->child(0);
    const QString cameraIp = camera->text();
    QCOMPARE(Control(QStringLiteral("drop ") + cameraIp), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(SameIcon(camera->icon(), ":images/preview/exceptionChannel.png"), 20000);
    QVERIFY(SameIcon(device->child(1)->icon(), ":images/preview/generalChannel.png"));
    QCOMPARE(Control(QStringLiteral("restore ") + cameraIp), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(SameIcon(camera->icon(), ":images/preview/generalChannel.png"), 20000);

    // A whole device: its row stays and the operator is told.
    QCOMPARE(Control(QStringLiteral("drop ") + Ip(devices[1])), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(ToastText(), Ip(devices[1]) + QStringLiteral("异常掉线"), 20000);
    QCOMPARE(Control(QStringLiteral("restore ") + Ip(devices[1])), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(ToastText(), Ip(devices[1]) + QStringLiteral("恢复连接"), 20000);
    QVERIFY(Row(Ip(devices[1])));
}

void DeviceTreeTest::refusedLoginShowsItsFailure()
{
    const devsim::DeviceSpec& refusing = devices[3];
    QCOMPARE(Control(QStringLiteral("refuse ") + Ip(refusing) + QStringLiteral(" on")), QStringLiteral("ok"));
    WithDialog([&] { FORM_WIDGET(window, qIconPBtnAddDevice)->click(); },
               [&](AddDeviceDlg& dialog) {
                   Fill(dialog, QStringLiteral("拒绝"), Ip(refusing), refusing);
                   Click(dialog, "pBtnAdd");
                   QVERIFY(!dialog.isVisible());
               });
    WaitForPass(2);
    QCOMPARE(passes->at(1), Ip(refusing) + QStringLiteral("登录失败"));
    QCOMPARE(ToastText(), Ip(refusing) + QStringLiteral("登录失败"));
    QVERIFY(!Row(Ip(refusing)));
    QVERIFY(!TreeOf(window)->IsDeviceExist(Ip(refusing)));
    ExpectAgreement();
}

void DeviceTreeTest::addEditRefreshDeleteKeepTreeDatabaseAndLoginsAgreeing()
{
    const devsim::DeviceSpec& fourth = devices[3];
    const devsim::DeviceSpec& fifth = devices[4];
    const QString firstIp = Ip(devices[0]);

    // Add.
    WithDialog([&] { FORM_WIDGET(window, qIconPBtnAddDevice)->click(); },
               [&](AddDeviceDlg& dialog) {
                   Fill(dialog, QStringLiteral("第四"), Ip(fourth), fourth);
                   Click(dialog, "pBtnAdd");
               });
    WaitForPass(2);
    QVERIFY(Row(Ip(fourth)));
    QCOMPARE(Row(Ip(fourth))->rowCount(), 2);
    ExpectAgreement();

    // Add and continue with a known address: refused, the dialog keeps the text.
    WithDialog([&] { FORM_WIDGET(window, qIconPBtnAddDevice)->click(); },
               [&](AddDeviceDlg& dialog) {
                   Fill(dialog, QStringLiteral("重复"), firstIp, devices[0]);
                   Click(dialog, "pBtnAddAndContinue");
                   QCOMPARE(ToastText(), QStringLiteral("设备已存在"));
                   QVERIFY(dialog.isVisible());
                   QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("LineEditIp"))->text(), firstIp);
                   Click(dialog, "pBtnAdd"); // the confirm button too
                   QVERIFY(dialog.isVisible());
               });
    QTest::qWait(200);
    QCOMPARE(passes->count(), 2);

    // Edit with the same address: the name changes, the device keeps one login.
    WithDialog([&] { window->EditSlot(Row(Ip(fourth))->index()); },
               [&](AddDeviceDlg& dialog) {
                   dialog.findChild<QLineEdit*>(QStringLiteral("lineEditDeviceName"))->setText(QStringLiteral("四号"));
                   Click(dialog, "pBtnAdd");
                   QVERIFY(!dialog.isVisible());
               });
    WaitForPass(3);
    QCOMPARE(Row(Ip(fourth))->text(), QStringLiteral("四号"));
    QList<stu_DeviceInfo> stored;
    QVERIFY(ImplementInstance::GetInstance()->GetDatabase()->GetAllDeviceInfo(stored));
    QVERIFY(std::any_of(stored.cbegin(), stored.cend(),
                        [](const stu_DeviceInfo& d) { return d.deviceName == QStringLiteral("四号"); }));
    ExpectAgreement();

    // Edit to an address already in the tree: refused, nothing changes.
    WithDialog([&] { window->EditSlot(Row(Ip(fourth))->index()); },
               [&](AddDeviceDlg& dialog) {
                   dialog.findChild<QLineEdit*>(QStringLiteral("LineEditIp"))->setText(firstIp);
                   Click(dialog, "pBtnAdd");
                   QCOMPARE(ToastText(), QStringLiteral("设备已存在"));
                   QVERIFY(dialog.isVisible());
               });
    QVERIFY(Row(Ip(fourth)));
    ExpectAgreement();

    // Edit to an address that refuses the login: the old device stays as it was.
    QCOMPARE(Control(QStringLiteral("refuse ") + Ip(fifth) + QStringLiteral(" on")), QStringLiteral("ok"));
    WithDialog([&] { window->EditSlot(Row(Ip(fourth))->index()); },
               [&](AddDeviceDlg& dialog) {
                   Fill(dialog, QStringLiteral("五号"), Ip(fifth), fifth);
                   Click(dialog, "pBtnAdd");
               });
    WaitForPass(4);
    QVERIFY(Row(Ip(fourth)));
    QVERIFY(!Row(Ip(fifth)));
    QCOMPARE(Row(Ip(fourth))->rowCount(), 2);
    ExpectAgreement();
    QCOMPARE(Control(QStringLiteral("refuse ") + Ip(fifth) + QStringLiteral(" off")), QStringLiteral("ok"));

    // Edit to a new address: nothing of the old one is left.
    WithDialog([&] { window->EditSlot(Row(Ip(fourth))->index()); },
               [&](AddDeviceDlg& dialog) {
                   Fill(dialog, QStringLiteral("五号"), Ip(fifth), fifth);
                   Click(dialog, "pBtnAdd");
               });
    WaitForPass(5);
    QVERIFY(!Row(Ip(fourth)));
    QVERIFY(Row(Ip(fifth)));
    QCOMPARE(LoginsTo(Ip(fourth)), 0);
    for (const devsim::CameraSpec& camera : fourth.cameras)
        QCOMPARE(LoginsTo(QString::fromStdString(camera.address)), 0);
    ExpectAgreement();

    // Refresh one device: its logins are reused, its rows rebuilt in place.
    const int firstRow = Row(firstIp)->row();
    window->RefreshSlot(Row(firstIp)->index());
    WaitForPass(6);
    QCOMPARE(Row(firstIp)->row(), firstRow);
    QCOMPARE(Row(firstIp)->rowCount(), 2);
    ExpectAgreement();

    // Refresh all: the button waits for the pass.
    FORM_WIDGET(window, qIconPbtnRefresh)->click();
    QVERIFY(!FORM_WIDGET(window, qIconPbtnRefresh)->isEnabled());
    WaitForPass(7);
    QCOMPARE(TreeOf(window)->Model()->rowCount(), 4);
    ExpectAgreement();

    // Delete: a channel row is refused, the device row goes with its logins.
    QTreeView* tree = FORM_WIDGET(window, treeViewDevice);
    tree->setCurrentIndex(Row(Ip(fifth))->child(0)->index());
    FORM_WIDGET(window, qIconPBtnDelDevice)->click();
    QCOMPARE(ToastText(), QStringLiteral("请选中要删除的服务器"));
    tree->setCurrentIndex(Row(Ip(fifth))->index());
    FORM_WIDGET(window, qIconPBtnDelDevice)->click();
    QVERIFY(!Row(Ip(fifth)));
    QCOMPARE(LoginsTo(Ip(fifth)), 0);
    QCOMPARE(TreeOf(window)->Model()->rowCount(), 3);
    ExpectAgreement();
}

void DeviceTreeTest::editToANewAddressLeavesNothingOfTheOld()
{
    const devsim::DeviceSpec& old = devices[2];
    const devsim::DeviceSpec& moved = devices[3];
    const int rows = TreeOf(window)->Model()->rowCount();
    Edit(Ip(old), QStringLiteral("搬迁"), moved);
    WaitForPass(2);
    QCOMPARE(passes->at(1), QString());
    QVERIFY(!Row(Ip(old)));
    QVERIFY(Row(Ip(moved)));
    QCOMPARE(Row(Ip(moved))->text(), QStringLiteral("搬迁"));
    QCOMPARE(TreeOf(window)->Model()->rowCount(), rows);
    QVERIFY(!TreeOf(window)->IsDeviceExist(Ip(old)));
    QStringList storedChannels;
    QVERIFY(ImplementInstance::GetInstance()->GetDatabase()->GetChannelIpByDevIp(Ip(old), storedChannels));
    QVERIFY(storedChannels.isEmpty());
    for (const stu_DeviceChannelInfo& channel : TreeOf(window)->KnownChannels())
        QVERIFY(channel.deviceIp != Ip(old));
    QTRY_COMPARE_WITH_TIMEOUT(Control(QStringLiteral("sessions ") + Ip(old)), QStringLiteral("ok 0"), 10000);
    for (const devsim::CameraSpec& camera : old.cameras)
        QTRY_COMPARE_WITH_TIMEOUT(Control(QStringLiteral("sessions ") + QString::fromStdString(camera.address)),
                                  QStringLiteral("ok 0"), 10000);
    ExpectAgreement();

    // And back: the address of before is a device again, the other one gone.
    Edit(Ip(moved), QString::fromStdString(old.name), old);
    WaitForPass(3);
    QVERIFY(Row(Ip(old)));
    QVERIFY(!Row(Ip(moved)));
    ExpectAgreement();
}

void DeviceTreeTest::busyRowsRefuseEditDeleteAndRefresh()
{
    const QString ip = Ip(devices[1]);
    window->RefreshSlot(Row(ip)->index());
    // The pass's rows come through the event loop, which has not run yet.
    QStandardItem* row = Row(ip);
    QCOMPARE(row->data(DeviceTreeRoles::Busy).toInt(), 1);
    const QString busy = QStringLiteral("正在获取设备通道信息，请稍候...");
    delete QPromptWidget::Current();
    window->RefreshSlot(row->index());
    QCOMPARE(ToastText(), busy);
    delete QPromptWidget::Current();
    window->EditSlot(row->index());
    QCOMPARE(ToastText(), busy);
    QVERIFY(!TreeOf(window)->AddDialog()->isVisible());
    delete QPromptWidget::Current();
    FORM_WIDGET(window, treeViewDevice)->setCurrentIndex(row->index());
    FORM_WIDGET(window, qIconPBtnDelDevice)->click();
    QCOMPARE(ToastText(), busy);
    QCOMPARE(Row(ip), row);
    WaitForPass(2);
    QCOMPARE(row->data(DeviceTreeRoles::Busy).toInt(), 0);
    QCOMPARE(row->rowCount(), 2);
    ExpectAgreement();
}

void DeviceTreeTest::unreadableCamerasLeaveAnEmptyRowWithoutTheirLogins()
{
    const devsim::DeviceSpec& device = devices[1];
    const QString ip = Ip(device);
    // A device that answers nothing: its login is reused, but its cameras cannot be read.
    QCOMPARE(Control(QStringLiteral("stall ") + ip + QStringLiteral(" on")), QStringLiteral("ok"));
    window->RefreshSlot(Row(ip)->index());
    WaitForPass(2);
    QCOMPARE(passes->at(1), ip + QStringLiteral(" 获取通道失败"));
    QStandardItem* row = Row(ip);
    QVERIFY(row);
    QCOMPARE(row->rowCount(), 0);
    QCOMPARE(row->data(DeviceTreeRoles::Busy).toInt(), 0);
    for (const devsim::CameraSpec& camera : device.cameras) {
        QCOMPARE(LoginsTo(QString::fromStdString(camera.address)), 0);
        QTRY_COMPARE_WITH_TIMEOUT(Control(QStringLiteral("sessions ") + QString::fromStdString(camera.address)),
                                  QStringLiteral("ok 0"), 10000);
    }
    QStringList storedChannels;
    QVERIFY(ImplementInstance::GetInstance()->GetDatabase()->GetChannelIpByDevIp(ip, storedChannels));
    QVERIFY(storedChannels.isEmpty());
    QCOMPARE(TreeOf(window)->LoggedInChannels().size(), 4);

    // Answering again, the device gets its cameras back once its link is up.
    QCOMPARE(Control(QStringLiteral("stall ") + ip + QStringLiteral(" off")), QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(Control(QStringLiteral("sessions ") + ip), QStringLiteral("ok 1"), 20000);
    int pass = 2;
    for (int attempt = 0; attempt < 5 && Row(ip)->rowCount() == 0; ++attempt) {
        window->RefreshSlot(Row(ip)->index());
        WaitForPass(++pass);
    }
    QCOMPARE(Row(ip)->rowCount(), 2);
    QCOMPARE(passes->at(pass - 1), QString());
    ExpectAgreement();
}

void DeviceTreeTest::overlappingPassesKeepOneRowPerDevice()
{
    const devsim::DeviceSpec& added = devices[3];
    int expected = 1;
    for (int round = 0; round < 4; ++round) {
        // A single device, then everything, then (once) a new device, all at once.
        QStandardItem* single = TreeOf(window)->Model()->item(round % TreeOf(window)->Model()->rowCount());
        window->RefreshSlot(single->index());
        QCOMPARE(single->data(DeviceTreeRoles::Busy).toInt(), 1);
        FORM_WIDGET(window, qIconPbtnRefresh)->click();
        expected += 2;
        if (round == 1) {
            WithDialog([&] { FORM_WIDGET(window, qIconPBtnAddDevice)->click(); },
                       [&](AddDeviceDlg& dialog) {
                           Fill(dialog, QStringLiteral("并发"), Ip(added), added);
                           Click(dialog, "pBtnAdd");
                       });
            ++expected;
        }
        // While the passes run, every row shown is whole and no device has two.
        QElapsedTimer running;
        running.start();
        while (finishedOnGui < expected && running.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QSet<QString> shown;
            for (int row = 0; row < TreeOf(window)->Model()->rowCount(); ++row) {
                QStandardItem* device = TreeOf(window)->Model()->item(row);
                QVERIFY(!shown.contains(DeviceOf(device).deviceIp));
                shown.insert(DeviceOf(device).deviceIp);
                QCOMPARE(device->rowCount(), 2);
            }
        }
        WaitForPass(expected);
        const int devicesShown = round >= 1 ? 4 : 3;
        QCOMPARE(TreeOf(window)->Model()->rowCount(), devicesShown);
        QSet<QString> seen;
        for (int row = 0; row < devicesShown; ++row) {
            QStandardItem* device = TreeOf(window)->Model()->item(row);
            QVERIFY(!seen.contains(DeviceOf(device).deviceIp));
            seen.insert(DeviceOf(device).deviceIp);
            QCOMPARE(device->data(DeviceTreeRoles::Busy).toInt(), 0);
            QCOMPARE(device->rowCount(), 2);
        }
        for (const QString& pass : qAsConst(passes->values))
            QCOMPARE(pass, QString());
        ExpectAgreement();
    }
}

void DeviceTreeTest::editingAPreviewedDeviceKeepsTreeAndPanesAgreeing()
{
    window->ShowSplitScreenSLot(QStringLiteral("4分屏"));
    KvorSplitWndsCtrl* grid = FORM_WIDGET(window, widgetPreview);
    const devsim::DeviceSpec& edited = devices[1];
    const devsim::DeviceSpec& other = devices[0];
    window->PlaySlot(Row(Ip(edited))->index());
    window->PlaySlot(Row(Ip(other))->index());
    QCOMPARE(PreviewOf(window)->PreviewCount(), 4);
    QTRY_COMPARE_WITH_TIMEOUT(LiveStreamsOf(edited), 2, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(LiveStreamsOf(other), 2, 10000);

    Edit(Ip(edited), QStringLiteral("改名"), edited);
    WaitForPass(2);
    QCOMPARE(Row(Ip(edited))->text(), QStringLiteral("改名"));
    // The rebuilt rows are idle, so no pane may still show their cameras.
    QStandardItem* device = Row(Ip(edited));
    QCOMPARE(device->rowCount(), 2);
    for (int c = 0; c < device->rowCount(); ++c) {
        QCOMPARE(device->child(c)->data(DeviceTreeRoles::PreviewState).toInt(), 0);
        QVERIFY(!grid->FindPlayWindowByIp(device->child(c)->text()));
    }
    QCOMPARE(PreviewOf(window)->PreviewCount(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(LiveStreamsOf(edited), 0, 10000);
    QCOMPARE(LiveStreamsOf(other), 2);

    // Played again, each camera has one stream, not a second one.
    window->TreeDoubleClickedSlot(device->child(0)->index());
    window->TreeDoubleClickedSlot(device->child(0)->index());
    QTRY_VERIFY_WITH_TIMEOUT(grid->FindPlayWindowByIp(device->child(0)->text()) &&
                                 grid->FindPlayWindowByIp(device->child(0)->text())->IsPlaying(),
                             10000);
    QTRY_COMPARE_WITH_TIMEOUT(LiveStreamsOf(edited), 1, 10000);
    QCOMPARE(device->child(0)->data(DeviceTreeRoles::PreviewState).toInt(), 1);
    ExpectAgreement();
}

void DeviceTreeTest::deletingAPreviewedDeviceStopsItsPanes()
{
    window->ShowSplitScreenSLot(QStringLiteral("4分屏"));
    KvorSplitWndsCtrl* grid = FORM_WIDGET(window, widgetPreview);
    QCOMPARE(grid->WindowNums(), 4);
    const devsim::DeviceSpec& deleted = devices[0];
    const devsim::DeviceSpec& kept = devices[1];
    window->PlaySlot(Row(Ip(deleted))->index());
    window->PlaySlot(Row(Ip(kept))->index());
    QCOMPARE(PreviewOf(window)->PreviewCount(), 4);
    auto playing = [&](const devsim::CameraSpec& camera) {
        KvorPlayWindow* pane = grid->FindPlayWindowByIp(QString::fromStdString(camera.address));
        return pane && pane->IsPlaying();
    };
    for (const devsim::DeviceSpec* device : {&deleted, &kept})
        for (const devsim::CameraSpec& camera : device->cameras)
            QTRY_VERIFY_WITH_TIMEOUT(playing(camera), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(LiveStreamsOf(deleted), 2, 10000);

    // A database that refuses the delete: the device stays whole and the operator is told.
    QVERIFY(RunSql(folder.DatabasePath(), QStringLiteral("create trigger keep before delete on DeviceInfo "
                                                         "begin select raise(abort, 'kept'); end")));
    FORM_WIDGET(window, treeViewDevice)->setCurrentIndex(Row(Ip(deleted))->index());
    FORM_WIDGET(window, qIconPBtnDelDevice)->click();
    QCOMPARE(ToastText(), QStringLiteral("删除设备失败"));
    QVERIFY(Row(Ip(deleted)));
    QCOMPARE(Row(Ip(deleted))->rowCount(), 2);
    QCOMPARE(PreviewOf(window)->PreviewCount(), 4);
    for (const devsim::CameraSpec& camera : deleted.cameras)
        QVERIFY(playing(camera));
    ExpectAgreement();
    QVERIFY(RunSql(folder.DatabasePath(), QStringLiteral("drop trigger keep")));

    FORM_WIDGET(window, treeViewDevice)->setCurrentIndex(Row(Ip(deleted))->index());
    FORM_WIDGET(window, qIconPBtnDelDevice)->click();
    QVERIFY(!Row(Ip(deleted)));
    for (const devsim::CameraSpec& camera : deleted.cameras)
        QVERIFY(!grid->FindPlayWindowByIp(QString::fromStdString(camera.address)));
    QCOMPARE(PreviewOf(window)->PreviewCount(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(LiveStreamsOf(deleted), 0, 10000);
    for (const devsim::CameraSpec& camera : kept.cameras)
        QVERIFY(playing(camera));
    QCOMPARE(LiveStreamsOf(kept), 2);
    QStringList stored;
    QVERIFY(ImplementInstance::GetInstance()->GetDatabase()->GetAllDeviceIp(stored));
    QVERIFY(!stored.contains(Ip(deleted)));
    ExpectAgreement();
}

void DeviceTreeTest::rowButtonsEmitTheirSignals()
{
    TreeViewDelegate* delegate = TreeOf(window)->Delegate();
    QSignalSpy refresh(delegate, &TreeViewDelegate::refreshSig);
    QSignalSpy play(delegate, &TreeViewDelegate::playSig);
    QSignalSpy close(delegate, &TreeViewDelegate::closeSig);
    QTreeView* tree = FORM_WIDGET(window, treeViewDevice);
    QWidget* viewport = tree->viewport();
    QStandardItem* device = TreeOf(window)->Model()->item(0);
    const QRect deviceRect = tree->visualRect(device->index());
    const QRect channelRect = tree->visualRect(device->child(0)->index());
    auto centre = [](int button, const QRect& row) { return TreeViewDelegate::ButtonRect(button, row).center(); };
    QCOMPARE(TreeViewDelegate::ButtonRect(TreeViewDelegate::Play, channelRect).left(), 172);
    QCOMPARE(TreeViewDelegate::ButtonRect(TreeViewDelegate::Close, channelRect).left(), 196);

    QTest::mouseClick(viewport, Qt::LeftButton, {}, centre(TreeViewDelegate::Refresh, deviceRect));
    WaitForPass(2);
    QCOMPARE(refresh.count(), 1);

    // Pressed on play, released on close: close only.
    QTest::mousePress(viewport, Qt::LeftButton, {}, centre(TreeViewDelegate::Play, channelRect));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre(TreeViewDelegate::Close, channelRect));
    QCOMPARE(play.count(), 0);
    QCOMPARE(close.count(), 1);
    QCOMPARE(close.at(0).at(0).value<QModelIndex>(), device->child(0)->index());

    // A channel row has no refresh button; editing one is refused with a toast.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centre(TreeViewDelegate::Refresh, channelRect));
    QCOMPARE(refresh.count(), 1);
    window->EditSlot(device->child(0)->index());
    QCOMPARE(ToastText(), QStringLiteral("请选择待修改的设备！"));
    QVERIFY(!TreeOf(window)->AddDialog()->isVisible());
}

void DeviceTreeTest::searchMatchesFullNamesAndKeepsHistory()
{
    const devsim::DeviceSpec& fourth = devices[3];
    const QString longName = QStringLiteral("北京市朝阳区东三环中路与建国路交叉口东北角检测器");
    WithDialog([&] { FORM_WIDGET(window, qIconPBtnAddDevice)->click(); },
               [&](AddDeviceDlg& dialog) {
                   Fill(dialog, longName, Ip(fourth), fourth);
                   Click(dialog, "pBtnAdd");
               });
    WaitForPass(2);
    QStandardItem* row = Row(Ip(fourth));
    QVERIFY(row);
    QVERIFY(row->text() != longName);
    QCOMPARE(row->toolTip(), longName);
    QVERIFY(window->fontMetrics().horizontalAdvance(row->text()) <= 80);

    // The end of the name is not shown in the row; the search still finds it.
    QTreeView* tree = FORM_WIDGET(window, treeViewDevice);
    QLineEdit* box = FORM_WIDGET(window, lineEditSreachBox);
    box->setText(QStringLiteral("东北角检测器"));
    window->SearchDeviceSlot(box->text());
    for (int i = 0; i < TreeOf(window)->Model()->rowCount(); ++i)
        QCOMPARE(tree->isRowHidden(i, QModelIndex()), i != row->row());

    // A camera address keeps its device visible.
    const QString camera = QString::fromStdString(devices[1].cameras[1].address);
    window->SearchDeviceSlot(camera);
    QVERIFY(!tree->isRowHidden(Row(Ip(devices[1]))->row(), QModelIndex()));
    QVERIFY(tree->isRowHidden(row->row(), QModelIndex()));

    // History: six matching searches, the five newest offered.
    for (int i = 1; i <= 6; ++i) {
        window->SearchDeviceSlot(QStringLiteral("路口%1").arg(i));
        QTest::qWait(2); // distinct milliseconds
    }
    box->setFocus();
    box->setText(QStringLiteral("路口"));
    HintListWidget* hints = TreeOf(window)->HintList();
    QTRY_VERIFY(hints->isVisible());
    QCOMPARE(hints->count(), 5);
    QCOMPARE(hints->height(), 160);
    QCOMPARE(hints->item(0)->text(), QStringLiteral("路口6"));
    QCOMPARE(hints->item(4)->text(), QStringLiteral("路口2"));
    // Down and Enter from the search box choose a hint without filtering.
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(box->text(), QStringLiteral("路口5"));
    QVERIFY(!hints->isVisible());

    box->setText(QStringLiteral("无此记录"));
    QVERIFY(!hints->isVisible());
    window->ClearSearchInfo();
    QVERIFY(box->text().isEmpty());
    for (int i = 0; i < TreeOf(window)->Model()->rowCount(); ++i)
        QVERIFY(!tree->isRowHidden(i, QModelIndex()));
}

void DeviceTreeTest::screenshots()
{
    const QDir dir(QStringLiteral(CORVANE_SCREENSHOT_DIR));
    QVERIFY(dir.mkpath(QStringLiteral(".")));
    QWidget* panel = FORM_WIDGET(window, treeViewDevice)->parentWidget();
    for (const auto language : {LanguageManage::Chinese, LanguageManage::English}) {
        LanguageManage::GetInstance()->SwitchLanguage(language);
        QStandardItem* device = TreeOf(window)->Model()->item(0);
        QTest::mouseMove(FORM_WIDGET(window, treeViewDevice)->viewport(),
                         FORM_WIDGET(window, treeViewDevice)->visualRect(device->index()).center());
        QCoreApplication::processEvents();
        const QString name = language == LanguageManage::Chinese ? QStringLiteral("zh") : QStringLiteral("en");
        QVERIFY(panel->grab().save(dir.filePath(QStringLiteral("device-tree-%1.png").arg(name))));
        QVERIFY(window->grab().save(dir.filePath(QStringLiteral("main-window-devices-%1.png").arg(name))));
    }
}

QTEST_MAIN(DeviceTreeTest)
#include "test_device_tree.moc"
