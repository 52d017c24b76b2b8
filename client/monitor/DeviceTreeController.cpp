#include "DeviceTreeController.h"

#include "DeviceTreeRoles.h"
#include "HintListWidget.h"
#include "MonitorLog.h"
#include "TreeViewDelegate.h"

#include "data/ImplementInstance.h"
#include "core/LanguageManage.h"
#include "device/DeviceManager.h"
#include "device/stu_LoginInfo.h"
#include "dialogs/AddDeviceDlg.h"
#include "dialogs/QPromptWidget.h"
#include "dialogs/QSreachBox.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QAbstractButton>
#include <QSet>
#include <QStandardItemModel>
#include <QTreeView>

#include <boost/thread/thread.hpp>

#include <algorithm>
#include <iterator>

namespace {

std::shared_ptr<spdlog::logger> Log()
{
    return CorvaneLog();
}

// The texts keep the window's translation context.
QString Text(const char* source)
{
    return QCoreApplication::translate("Corvane", source);
}

constexpr int kNameWidth = 80;
constexpr int kHintCount = 5;
// Threads of one pass that log devices in side by side. A login mostly waits
// for its device, so a pass over many devices wants more threads than there
// are cores; more than this gained nothing measurable on loopback.
constexpr int kLoginThreads = 16;

// Runs `change` on the thread of `context` (the GUI thread) and waits for it.
void OnGuiThread(QObject* context, std::function<void()> change)
{
    QMetaObject::invokeMethod(context, std::move(change), Qt::BlockingQueuedConnection);
}

// Interrupts and joins a pass's helper threads however the pass ends, also
// when it is interrupted itself.
class JoinOnExit
{
public:
    explicit JoinOnExit(boost::thread_group& threads) : threads(threads) { }
    JoinOnExit(const JoinOnExit&) = delete;
    JoinOnExit& operator=(const JoinOnExit&) = delete;
    ~JoinOnExit()
    {
        threads.interrupt_all();
        const boost::this_thread::disable_interruption uninterrupted;
        threads.join_all();
    }

private:
    boost::thread_group& threads;
};

// Tells the pass that a logging-in thread ended, also when it was interrupted.
class WorkerEnd
{
public:
    explicit WorkerEnd(LoginPass& pass) : pass(pass) { }
    WorkerEnd(const WorkerEnd&) = delete;
    WorkerEnd& operator=(const WorkerEnd&) = delete;
    ~WorkerEnd() { pass.WorkerEnded(); }

private:
    LoginPass& pass;
};

bool IsDeviceRow(const QStandardItem* item)
{
    return item && !item->parent();
}

bool IsBusy(const QStandardItem* item)
{
    return item && item->data(DeviceTreeRoles::Busy).toInt() == 1;
}

stu_DeviceInfo DeviceOf(const QStandardItem* item)
{
    return qvariant_cast<stu_DeviceInfo>(item->data(DeviceTreeRoles::Device));
}

stu_DeviceChannelInfo ChannelOf(const QStandardItem* item)
{
    return qvariant_cast<stu_DeviceChannelInfo>(item->data(DeviceTreeRoles::Channel));
}

QString DisplayName(const stu_DeviceInfo& device)
{
    return device.deviceName.isEmpty() ? device.deviceIp : device.deviceName;
}

// A login of the device link that a pass may reuse, or -1.
long ExistingLogin(DeviceManager* link, const QString& ip, int port, const QString& user)
{
    long userId = -1;
    return link->GetUserIdByIpPortUser(ip, port, user, &userId) ? userId : -1;
}

const char* const kTreeIcons[] = {
    ":images/preview/centreDevice.png",     ":images/preview/crossDevice.png",    ":images/preview/generalChannel.png",
    ":images/preview/exceptionChannel.png", ":images/preview/previewChannel.png",
};

} // namespace

// ---- Tree rows, GUI thread ----

QStandardItem* DeviceTreeController::FindDeviceRow(const QString& deviceIp) const
{
    for (int row = 0; row < pDeviceModel->rowCount(); ++row) {
        QStandardItem* item = pDeviceModel->item(row);
        if (DeviceOf(item).deviceIp == deviceIp)
            return item;
    }
    return nullptr;
}

QStandardItem* DeviceTreeController::ShowDeviceRow(const stu_DeviceInfo& device, int newRowAt)
{
    QStandardItem* item = FindDeviceRow(device.deviceIp);
    if (!item) {
        item = new QStandardItem;
        pDeviceModel->insertRow(newRowAt, item);
    }
    item->removeRows(0, item->rowCount());
    const QString name = DisplayName(device);
    const QFontMetrics metrics(ui.window->font());
    if (metrics.horizontalAdvance(name) > kNameWidth) {
        item->setText(metrics.elidedText(name, Qt::ElideRight, kNameWidth));
        item->setToolTip(name);
    } else {
        item->setText(name);
        item->setToolTip(QString());
    }
    item->setIcon(mapIcon.value(0));
    item->setData(QVariant::fromValue(device), DeviceTreeRoles::Device);
    item->setData(pendingLogins.contains(device.deviceIp) ? 1 : 0, DeviceTreeRoles::Busy);
    return item;
}

void DeviceTreeController::AppendChannelRow(QStandardItem* device, const stu_DeviceChannelInfo& channel, long userId)
{
    auto* item = new QStandardItem(channel.channelIp);
    const bool loggedIn = userId != -1;
    item->setIcon(mapIcon.value(loggedIn ? 2 : 3));
    item->setData(QVariant::fromValue(channel), DeviceTreeRoles::Channel);
    item->setData(loggedIn ? 1 : 0, DeviceTreeRoles::LoginState);
    if (loggedIn) {
        item->setCheckable(true);
        item->setData(
            QVariant::fromValue(stu_LoginInfo{channel.channelIp, channel.channelPort, channel.userName, userId}),
            DeviceTreeRoles::Login);
    } else {
        item->setEnabled(false);
    }
    device->appendRow(item);
}

void DeviceTreeController::RememberDevice(const stu_DeviceInfo& device)
{
    auto known = std::find_if(qlistDeviceInfo.begin(), qlistDeviceInfo.end(),
                              [&](const stu_DeviceInfo& d) { return d.deviceIp == device.deviceIp; });
    // An edit keeps the address but may change the name or the credentials.
    if (known != qlistDeviceInfo.end())
        *known = device;
    else
        qlistDeviceInfo.append(device);
}

void DeviceTreeController::RememberLogin(QList<long>& logins, long userId)
{
    if (userId != -1 && !logins.contains(userId))
        logins.append(userId);
}

void DeviceTreeController::ForgetDevice(const QString& deviceIp)
{
    qlistDeviceInfo.erase(std::remove_if(qlistDeviceInfo.begin(), qlistDeviceInfo.end(),
                                         [&](const stu_DeviceInfo& d) { return d.deviceIp == deviceIp; }),
                          qlistDeviceInfo.end());
    qlistChannelInfo.erase(std::remove_if(qlistChannelInfo.begin(), qlistChannelInfo.end(),
                                          [&](const stu_DeviceChannelInfo& c) { return c.deviceIp == deviceIp; }),
                           qlistChannelInfo.end());
}

bool DeviceTreeController::LogoutOf(const QString& ip, int port, const QString& user)
{
    DeviceManager* link = DeviceManager::GetInstance();
    const long userId = link ? ExistingLogin(link, ip, port, user) : -1;
    if (userId == -1)
        return true;
    qlistUserId.removeAll(userId);
    qlistChannelUserId.removeAll(userId);
    return link->DeviceLogout(userId);
}

// ---- The login pass: worker threads log in, the GUI thread builds rows ----

void DeviceTreeController::LoginAllDevice()
{
    constexpr const char* method = "Corvane::LoginAllDevice";
    QList<stu_DeviceInfo> devices;
    ImplementInstance* instance = ImplementInstance::GetInstance();
    if (!instance || !instance->GetDatabase()->GetAllDeviceInfo(devices)) {
        Log()->error("{}, get deviceinfo failed", method);
        return;
    }
    if (!devices.isEmpty())
        StartLoginPass("loginDeviceThread", "{}，login device Thread exception : {}", devices, {});
}

void DeviceTreeController::StartLoginPass(const char* thread, const char* failureText,
                                          const QList<stu_DeviceInfo>& devices,
                                          const std::optional<stu_DeviceInfo>& replaced)
{
    // The rows of the devices under way refuse edits, deletes and refreshes
    // until the pass has rebuilt them.
    for (const stu_DeviceInfo& device : devices) {
        ++pendingLogins[device.deviceIp];
        if (QStandardItem* row = FindDeviceRow(device.deviceIp))
            row->setData(1, DeviceTreeRoles::Busy);
    }
    auto pass = std::make_shared<LoginPass>(devices);
    try {
        workerThreads.Start(thread, [this, pass, replaced] { LoginDevice(pass, replaced); });
    } catch (const std::exception& error) {
        Log()->error(failureText, "Corvane::StartLoginPass", error.what());
        for (const stu_DeviceInfo& device : devices)
            EndPendingLogin(device.deviceIp);
        ui.refreshButton->setEnabled(true);
    }
}

void DeviceTreeController::LoginDevice(const std::shared_ptr<LoginPass>& pass,
                                       const std::optional<stu_DeviceInfo>& replaced)
{
    constexpr const char* method = "Corvane::LoginDevice";
    Log()->info("{}, threadId:{}", method, ThreadIdText());
    if (!ImplementInstance::GetInstance() || !DeviceManager::GetInstance()) {
        OnGuiThread(this, [this, pass] {
            for (const stu_DeviceInfo& device : pass->Devices())
                EndPendingLogin(device.deviceIp);
        });
        return;
    }
    // The devices are logged in side by side; this thread stores what comes
    // in, in the order of the list, while the others still log in.
    const int threads = std::min(static_cast<int>(pass->Devices().size()), kLoginThreads);
    pass->ExpectWorkers(threads);
    boost::thread_group workers;
    const JoinOnExit joinWorkers(workers);
    int started = 0;
    for (int i = 0; i < threads; ++i) {
        try {
            workers.create_thread([this, pass, replaced] {
                const WorkerEnd end(*pass);
                LoginDevices(pass, replaced);
            });
            ++started;
        } catch (const boost::thread_resource_error& error) {
            pass->WorkerEnded();
            Log()->error("{}, login thread exception : {}", method, error.what());
        }
    }
    if (started == 0) {
        // Without helpers this thread logs in alone, then stores.
        pass->ExpectWorkers(1);
        const WorkerEnd end(*pass);
        LoginDevices(pass, replaced);
    }
    for (QList<LoginPass::Outcome> batch = pass->NextInOrder(); !batch.isEmpty(); batch = pass->NextInOrder())
        StoreLoggedInDevices(*pass, batch);
    workers.join_all();
    OnGuiThread(this, [this, pass] { ApplyLoginOutcomes(*pass); });
    emit LoginPassFinished(pass->Summary());
}

void DeviceTreeController::LoginDevices(const std::shared_ptr<LoginPass>& pass,
                                        const std::optional<stu_DeviceInfo>& replaced)
{
    int index = 0;
    stu_DeviceInfo device;
    while (pass->Take(&index, &device)) {
        // The GUI thread takes what has come in one batch whenever it gets
        // to it, so it is asked again only after it took the last batch.
        LoginPass::Outcome outcome = LoginOne(device, replaced);
        outcome.index = index;
        if (pass->Deliver(std::move(outcome)))
            QMetaObject::invokeMethod(
                this, [this, pass] { ApplyLoginOutcomes(*pass); }, Qt::QueuedConnection);
        boost::this_thread::interruption_point();
    }
}

LoginPass::Outcome DeviceTreeController::LoginOne(const stu_DeviceInfo& device,
                                                  const std::optional<stu_DeviceInfo>& replaced)
{
    constexpr const char* method = "Corvane::LoginDevice";
    DeviceManager* link = DeviceManager::GetInstance();
    LoginPass::Outcome outcome;
    outcome.device = device;
    // An edit logs in with the new values even where the old login had the
    // same address and user: the password may be what changed.
    const long oldUserId =
        replaced ? ExistingLogin(link, replaced->deviceIp, replaced->devicePort, replaced->userName) : -1;
    outcome.userId = loginGate.Login(*link, device.deviceIp, device.devicePort, device.userName, device.password,
                                     replaced.has_value());
    if (outcome.userId == -1) {
        outcome.failure = QStringLiteral("%1%2").arg(device.deviceIp, Text("登录失败"));
        Log()->error("{}, device {} login failed", method, device.deviceIp);
        return outcome;
    }
    if (replaced)
        RetireReplacedDevice(*replaced, device, oldUserId, outcome.userId);

    long userId = outcome.userId;
    QList<stu_DeviceChannelInfo> channels;
    if (!link->GetDeviceChannelInfo(&userId, device.deviceIp, &channels)) {
        outcome.failure = QStringLiteral("%1 %2").arg(device.deviceIp, Text("获取通道失败"));
        Log()->error("{}, device {} get channel failed", method, device.deviceIp);
        channels.clear();
    }
    for (const stu_DeviceChannelInfo& channel : qAsConst(channels))
        outcome.channels.append({channel, loginGate.Login(*link, channel.channelIp, channel.channelPort,
                                                          channel.userName, channel.password)});
    return outcome;
}

void DeviceTreeController::StoreLoggedInDevices(LoginPass& pass, const QList<LoginPass::Outcome>& outcomes)
{
    // In the order of the list, so the stored order (and the tree's at the
    // next start) stays the operator's; the devices of a batch in one
    // transaction. Each device's rows are replaced as a whole: a device never
    // stands in the database with half of its cameras.
    DatabaseOperation* database = ImplementInstance::GetInstance()->GetDatabase();
    QList<LoginPass::Outcome> loggedIn;
    std::copy_if(outcomes.cbegin(), outcomes.cend(), std::back_inserter(loggedIn),
                 [](const LoginPass::Outcome& outcome) { return outcome.userId != -1; });
    auto channelsOf = [](const LoginPass::Outcome& outcome) {
        QList<stu_DeviceChannelInfo> channels;
        for (const LoginPass::Channel& channel : outcome.channels)
            channels.append(channel.info);
        return channels;
    };
    QList<stu_DeviceInfo> devices;
    QList<stu_DeviceChannelInfo> channels;
    for (const LoginPass::Outcome& outcome : qAsConst(loggedIn)) {
        devices.append(outcome.device);
        channels.append(channelsOf(outcome));
    }
    if (devices.isEmpty() || database->ReplaceDevicesInfo(devices, channels))
        return;
    // One device the database refuses must not cost the others their rows.
    for (const LoginPass::Outcome& outcome : qAsConst(loggedIn)) {
        if (!database->ReplaceDeviceInfo(outcome.device, channelsOf(outcome))) {
            pass.AddFailure(outcome.index, QStringLiteral("%1%2").arg(outcome.device.deviceIp, Text("保存失败")));
            Log()->error("{}, store device {} failed", "Corvane::StoreLoggedInDevices", outcome.device.deviceIp);
        }
    }
}

void DeviceTreeController::ApplyLoginOutcomes(LoginPass& pass)
{
    for (const LoginPass::Outcome& outcome : pass.TakeDelivered())
        ApplyLoginOutcome(pass, outcome);
}

void DeviceTreeController::ApplyLoginOutcome(const LoginPass& pass, const LoginPass::Outcome& outcome)
{
    const QString& ip = outcome.device.deviceIp;
    EndPendingLogin(ip);
    if (outcome.userId == -1)
        return; // a row it had stays as it was
    RememberDevice(outcome.device);
    RememberLogin(qlistUserId, outcome.userId);
    // A new row goes before the rows of devices later in the pass's list, so
    // the tree keeps the list's order however the logins overtake each other.
    int newRowAt = pDeviceModel->rowCount();
    for (int row = 0; row < pDeviceModel->rowCount(); ++row) {
        if (pass.IndexOf(DeviceOf(pDeviceModel->item(row)).deviceIp) > outcome.index) {
            newRowAt = row;
            break;
        }
    }
    if (QStandardItem* shown = FindDeviceRow(ip)) {
        RetireCamerasGone(shown, outcome.channels);
        StopCamerasShown(shown);
    }
    QStandardItem* row = ShowDeviceRow(outcome.device, newRowAt);
    // The pass fetched the channels again; the old records go.
    qlistChannelInfo.erase(std::remove_if(qlistChannelInfo.begin(), qlistChannelInfo.end(),
                                          [&](const stu_DeviceChannelInfo& c) { return c.deviceIp == ip; }),
                           qlistChannelInfo.end());
    for (const LoginPass::Channel& channel : outcome.channels) {
        AppendChannelRow(row, channel.info, channel.userId);
        RememberLogin(qlistChannelUserId, channel.userId);
        qlistChannelInfo.append(channel.info);
    }
}

void DeviceTreeController::RetireCamerasGone(QStandardItem* row, const QList<LoginPass::Channel>& channels)
{
    // A camera the device no longer reports (or whose list could not be read)
    // leaves the tree: its pane stops and its login ends with its row.
    for (int i = 0; i < row->rowCount(); ++i) {
        const stu_DeviceChannelInfo old = ChannelOf(row->child(i));
        const bool kept = std::any_of(channels.cbegin(), channels.cend(), [&](const LoginPass::Channel& channel) {
            return channel.info.channelIp == old.channelIp && channel.info.channelPort == old.channelPort &&
                   channel.info.userName == old.userName;
        });
        if (kept)
            continue;
        emit CloseRetiredChannelRequested(row->child(i)->index());
        if (!LogoutOf(old.channelIp, old.channelPort, old.userName))
            Log()->error("{}, channel {} logout failed", "Corvane::RetireCamerasGone", old.channelIp);
    }
}

void DeviceTreeController::StopCamerasShown(QStandardItem* row)
{
    // The camera rows are built afresh and start idle: a pane left playing
    // would be out of the tree's sight, and a double-click would open a
    // second stream of its camera.
    for (int i = 0; i < row->rowCount(); ++i)
        emit CloseRetiredChannelRequested(row->child(i)->index());
}

void DeviceTreeController::EndPendingLogin(const QString& deviceIp)
{
    auto pending = pendingLogins.find(deviceIp);
    if (pending != pendingLogins.end() && --pending.value() <= 0)
        pendingLogins.erase(pending);
    if (QStandardItem* row = FindDeviceRow(deviceIp))
        row->setData(pendingLogins.contains(deviceIp) ? 1 : 0, DeviceTreeRoles::Busy);
}

void DeviceTreeController::RetireReplacedDevice(const stu_DeviceInfo& old, const stu_DeviceInfo& device, long oldUserId,
                                                long newUserId)
{
    // Runs once the edited device logged in: until then the old one stays
    // as it was, so a failed edit loses nothing.
    constexpr const char* method = "Corvane::RetireReplacedDevice";
    DeviceManager* link = DeviceManager::GetInstance();
    if (oldUserId != -1 && oldUserId != newUserId && !link->DeviceLogout(oldUserId))
        Log()->error("{}, {} logout failed", method, old.deviceIp);
    const bool moved = old.deviceIp != device.deviceIp;
    OnGuiThread(this, [this, old, oldUserId, moved] {
        qlistUserId.removeAll(oldUserId);
        if (!moved)
            return;
        // The cameras of the old address are no longer the operator's.
        if (QStandardItem* row = FindDeviceRow(old.deviceIp)) {
            emit ClosePlayRequested(row->index());
            for (int i = 0; i < row->rowCount(); ++i) {
                const stu_DeviceChannelInfo channel = ChannelOf(row->child(i));
                LogoutOf(channel.channelIp, channel.channelPort, channel.userName);
            }
            pDeviceModel->removeRow(row->row());
        }
        ForgetDevice(old.deviceIp);
    });
    if (moved && !ImplementInstance::GetInstance()->GetDatabase()->DeleteDeviceInfoByIp(old.deviceIp))
        Log()->error("{}, delete device {} failed", method, old.deviceIp);
}

void DeviceTreeController::ShowLoginPassResult(const QString& strMsg)
{
    ui.tree->expandAll();
    if (strMsg.isEmpty())
        QPromptWidget::ShowPrompt(QPromptWidget::Succ, Text("设备登录成功"), ui.window, 3000);
    else
        QPromptWidget::ShowPrompt(QPromptWidget::Fail, strMsg, ui.window, 3000);
    ui.refreshButton->setEnabled(true);
}

void DeviceTreeController::ShowDeviceState(long lUserId, bool bState)
{
    constexpr const char* method = "Corvane::DeviceStateSlot";
    DeviceManager* link = DeviceManager::GetInstance();
    if (!link) {
        Log()->error("{}, DeviceManager create failed", method);
        return;
    }
    stu_LoginInfo login;
    if (!link->GetLoginInfoByUserId(lUserId, &login)) {
        Log()->error("{}, get deviceinfo failed by luserId", method);
        return;
    }
    auto tellOperator = [&] {
        QPromptWidget::ShowPrompt(bState ? QPromptWidget::Succ : QPromptWidget::Warm,
                                  login.deviceIp + (bState ? Text("恢复连接") : Text("异常掉线")), ui.window, 3000);
    };
    for (int row = 0; row < pDeviceModel->rowCount(); ++row) {
        QStandardItem* device = pDeviceModel->item(row);
        if (DeviceOf(device).deviceIp == login.deviceIp) {
            tellOperator();
            return;
        }
        for (int i = 0; i < device->rowCount(); ++i) {
            QStandardItem* channel = device->child(i);
            if (ChannelOf(channel).channelIp == login.deviceIp) {
                // A camera on screen: its pane freezes while the SDK waits for the camera,
                // so the operator is told why; once back it plays on and shows so.
                const bool previewed = channel->data(DeviceTreeRoles::PreviewState).toInt() == 1;
                if (previewed && bState)
                    MarkChannelPane(channel, channel->data(DeviceTreeRoles::PaneIndex).value<quint16>(), true);
                else
                    channel->setIcon(mapIcon.value(bState ? 2 : 3));
                if (previewed)
                    tellOperator();
                ui.tree->viewport()->update();
                return;
            }
        }
    }
}

// ---- Add, edit, delete, refresh: GUI thread ----

bool DeviceTreeController::IsDeviceExist(const QString& deviceIp) const
{
    return std::any_of(qlistDeviceInfo.cbegin(), qlistDeviceInfo.cend(),
                       [&](const stu_DeviceInfo& d) { return d.deviceIp == deviceIp; });
}

bool DeviceTreeController::RefuseBusyRow(const QStandardItem* item)
{
    if (!IsBusy(item))
        return false;
    QPromptWidget::ShowPrompt(QPromptWidget::Tips, Text("正在获取设备通道信息，请稍候..."), ui.window, 3000);
    return true;
}

void DeviceTreeController::ShowAddDialog()
{
    // Without the back end the window has no dialog (nothing could be stored).
    if (AddDeviceDlg* dialog = AddDialog())
        dialog->ShowDialog(false, nullptr);
}

void DeviceTreeController::AcceptDialog()
{
    AddDevice(editingDevice.has_value());
}

void DeviceTreeController::AcceptDialogAndContinue()
{
    // The next device starts from empty fields only when this one was taken.
    if (AddDevice(false))
        pAddDeviceDlg->FillDeviceInfo(false, nullptr);
}

bool DeviceTreeController::AddDevice(bool bModify)
{
    stu_DeviceInfo device;
    if (!pAddDeviceDlg->CheckInput(&device))
        return false;
    const bool sameAddress = bModify && editingDevice && editingDevice->deviceIp == device.deviceIp;
    if (!sameAddress && IsDeviceExist(device.deviceIp)) {
        QPromptWidget::ShowPrompt(QPromptWidget::Warm, Text("设备已存在"), pAddDeviceDlg, 3000);
        return false;
    }
    if (!ImplementInstance::GetInstance())
        return false;
    pAddDeviceDlg->InputTaken();
    StartLoginPass("addDeviceThread", "{}，add device Thread exception : {}", {device},
                   bModify ? editingDevice : std::nullopt);
    return true;
}

void DeviceTreeController::Edit(const QModelIndex& index)
{
    QStandardItem* item = index.isValid() ? pDeviceModel->itemFromIndex(index) : nullptr;
    if (!item || RefuseBusyRow(item))
        return;
    if (!IsDeviceRow(item)) {
        QPromptWidget::ShowPrompt(QPromptWidget::Fail, Text("请选择待修改的设备！"), ui.window, 3000);
        return;
    }
    AddDeviceDlg* dialog = AddDialog();
    if (!dialog)
        return;
    const stu_DeviceInfo device = DeviceOf(item);
    editingDevice = device;
    dialog->ShowDialog(true, &device);
    editingDevice.reset();
}

void DeviceTreeController::DeleteSelected()
{
    constexpr const char* method = "Corvane::on_qIconPBtnDelDevice_clicked";
    ImplementInstance* instance = ImplementInstance::GetInstance();
    DeviceManager* link = DeviceManager::GetInstance();
    if (!instance || !link)
        return;
    QStandardItem* item = pDeviceModel->itemFromIndex(ui.tree->currentIndex().siblingAtColumn(0));
    if (!item || !ui.tree->selectionModel()->isSelected(item->index()) || RefuseBusyRow(item))
        return;
    if (!IsDeviceRow(item)) {
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, Text("请选中要删除的服务器"), ui.window, 3000);
        return;
    }
    const stu_DeviceInfo device = DeviceOf(item);
    // The stored rows go first: when they cannot, the device stays whole (rows,
    // logins, panes) and the operator is told.
    if (!instance->GetDatabase()->DeleteDeviceInfoByIp(device.deviceIp)) {
        Log()->error("{}, delete device {} failed", method, device.deviceIp);
        QPromptWidget::ShowPrompt(QPromptWidget::Fail, Text("删除设备失败"), ui.window, 3000);
        return;
    }
    // The panes showing the device's cameras stop before their logins end, with the preview count.
    emit ClosePlayRequested(item->index());
    // A failed logout is only logged: the device link forgets the login either way.
    for (int i = 0; i < item->rowCount(); ++i) {
        const stu_DeviceChannelInfo channel = ChannelOf(item->child(i));
        if (!LogoutOf(channel.channelIp, channel.channelPort, channel.userName))
            Log()->error("{}, channel {} logout failed", method, channel.channelIp);
    }
    if (ExistingLogin(link, device.deviceIp, device.devicePort, device.userName) == -1)
        Log()->error("{}, no userId", method);
    else if (!LogoutOf(device.deviceIp, device.devicePort, device.userName))
        Log()->error("{}, LoginOut failed", method);
    ForgetDevice(device.deviceIp);
    pDeviceModel->removeRow(item->row());
}

void DeviceTreeController::RefreshAll()
{
    ui.refreshButton->setEnabled(false);
    emit CloseAllRequested();
    // The devices in the order the tree shows them, then the known and the
    // stored ones without a row (their logins failed so far): all are tried again.
    QList<stu_DeviceInfo> devices;
    QSet<QString> listed;
    auto add = [&](const stu_DeviceInfo& device) {
        if (!listed.contains(device.deviceIp)) {
            listed.insert(device.deviceIp);
            devices.append(device);
        }
    };
    for (int row = 0; row < pDeviceModel->rowCount(); ++row)
        add(DeviceOf(pDeviceModel->item(row)));
    for (const stu_DeviceInfo& device : qAsConst(qlistDeviceInfo))
        add(device);
    QList<stu_DeviceInfo> stored;
    if (ImplementInstance* instance = ImplementInstance::GetInstance())
        instance->GetDatabase()->GetAllDeviceInfo(stored);
    for (const stu_DeviceInfo& device : qAsConst(stored))
        add(device);
    pDeviceModel->clear();
    if (devices.isEmpty()) {
        ui.refreshButton->setEnabled(true);
        return;
    }
    StartLoginPass("refreshDeviceListThread", "{}，refresh device list Thread exception : {}", devices, {});
}

void DeviceTreeController::Refresh(const QModelIndex& index)
{
    emit ClosePlayRequested(index);
    QStandardItem* item = index.isValid() ? pDeviceModel->itemFromIndex(index) : nullptr;
    if (!item || !IsDeviceRow(item) || RefuseBusyRow(item))
        return;
    // The row stays where it is; the pass rebuilds its channels.
    StartLoginPass("refreshDeviceThread", "{}，refresh device Thread exception : {}", {DeviceOf(item)}, {});
}

// ---- Device search ----

void DeviceTreeController::ShowAllDeviceRows()
{
    for (int row = 0; row < pDeviceModel->rowCount(); ++row)
        ui.tree->setRowHidden(row, QModelIndex(), false);
}

void DeviceTreeController::DealSearch(const QString& text)
{
    if (text.isEmpty())
        return;
    ShowAllDeviceRows();
    for (int row = 0; row < pDeviceModel->rowCount(); ++row) {
        QStandardItem* device = pDeviceModel->item(row);
        // The full name: the row may show it elided.
        bool match = DisplayName(DeviceOf(device)).contains(text);
        for (int i = 0; !match && i < device->rowCount(); ++i)
            match = device->child(i)->text().contains(text);
        ui.tree->setRowHidden(row, QModelIndex(), !match);
    }
    ImplementInstance* instance = ImplementInstance::GetInstance();
    if (!instance) {
        Log()->error("{}, pInstance is null", "Corvane::DealSearch");
        return;
    }
    const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmsszzz"));
    if (!instance->GetDatabase()->InsertSearchRecord(now, text))
        Log()->error("{}, insert searchRecord failde", "Corvane::DealSearch");
}

void DeviceTreeController::Search(const QString& text)
{
    if (pHintListWidget && pHintListWidget->isVisible())
        pHintListWidget->close();
    DealSearch(text);
}

void DeviceTreeController::ClearSearch()
{
    ui.searchBox->clear();
    if (pHintListWidget && pHintListWidget->isVisible())
        pHintListWidget->close();
    ShowAllDeviceRows();
}

void DeviceTreeController::ShowSearchHints(const QString& text)
{
    constexpr const char* method = "Corvane::FlushListWidget";
    if (!pHintListWidget)
        pHintListWidget = new HintListWidget(ui.window);
    pHintListWidget->clear();
    pHintListWidget->setFocusPolicy(Qt::NoFocus);
    pHintListWidget->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ImplementInstance* instance = ImplementInstance::GetInstance();
    if (!instance) {
        Log()->error("{}, pInstance is null", method);
        return;
    }
    QStringList records;
    if (!instance->GetDatabase()->GetSearchRecord(text, kHintCount, records))
        Log()->error("{}, get search record failed", method);
    for (const QString& record : qAsConst(records)) {
        if (!record.contains(text))
            continue;
        auto* item = new QListWidgetItem(record, pHintListWidget);
        item->setSizeHint(QSize(HintListWidget::kWidth, HintListWidget::kItemHeight));
    }
    if (pHintListWidget->count() == 0) {
        pHintListWidget->hide();
        return;
    }
    pHintListWidget->resize(HintListWidget::kWidth, HintListWidget::kItemHeight * pHintListWidget->count());
    const QRect box = ui.searchBox->geometry();
    const QPoint corner(box.x() - 9, box.y() + box.height() - 12);
    pHintListWidget->move(ui.searchBox->mapTo(ui.window, corner));
    pHintListWidget->setCurrentRow(0);
    pHintListWidget->show();
    pHintListWidget->raise();
}

void DeviceTreeController::TakeSearchHint(const QModelIndex& index)
{
    QListWidgetItem* item = pHintListWidget->item(index.row());
    if (!item)
        return;
    const QString text = item->text();
    ui.searchBox->setText(text);
    pHintListWidget->hide();
    DealSearch(text);
}

void DeviceTreeController::TakeSearchHintText(const QString& text)
{
    ui.searchBox->setText(text);
    pHintListWidget->hide();
}

bool DeviceTreeController::ForwardKeyToHintList(QKeyEvent* event)
{
    // The list takes no focus: the search box's arrows and Enter reach it from here.
    static const int keys[] = {Qt::Key_Down, Qt::Key_Up, Qt::Key_Return, Qt::Key_Enter};
    // With no hint open, Enter searches what the box holds, as its search button does.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool hintsOpen = pHintListWidget && pHintListWidget->isVisible();
    if (enter && ui.window->focusWidget() == ui.searchBox && !hintsOpen) {
        Search(ui.searchBox->text());
        return true;
    }
    if (!pHintListWidget || !pHintListWidget->isVisible() || ui.window->focusWidget() != ui.searchBox ||
        std::find(std::begin(keys), std::end(keys), event->key()) == std::end(keys))
        return false;
    QCoreApplication::sendEvent(pHintListWidget, event);
    return true;
}

// ---- Wiring, from the window's construction ----

DeviceTreeController::DeviceTreeController(const Widgets& widgets, QObject* parent) : QObject(parent), ui(widgets)
{
    pDeviceModel = new QStandardItemModel(this);
    ui.tree->setModel(pDeviceModel);
    for (int key = 0; key < 5; ++key)
        mapIcon.insert(key, QIcon(QString::fromLatin1(kTreeIcons[key])));
}

void DeviceTreeController::MakeParts()
{
    pTreeViewDelegate = new TreeViewDelegate(ui.window);
    ui.tree->setItemDelegate(pTreeViewDelegate);
    pHintListWidget = new HintListWidget(ui.window);
    pHintListWidget->hide();
}

AddDeviceDlg* DeviceTreeController::AddDialog()
{
    // The delegate comes with the rest of the parts.
    if (pAddDeviceDlg || !pTreeViewDelegate)
        return pAddDeviceDlg;
    pAddDeviceDlg = new AddDeviceDlg(ui.window);
    connect(LanguageManage::GetInstance(), &LanguageManage::languageChangeSig, pAddDeviceDlg,
            &AddDeviceDlg::reTranslateUI);
    emit AddDialogMade(pAddDeviceDlg);
    return pAddDeviceDlg;
}
