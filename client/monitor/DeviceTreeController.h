#pragma once

#include "LoginGate.h"
#include "LoginPass.h"
#include "WorkerThreads.h"

#include "core/stu_DeviceChannelInfo.h"
#include "core/stu_DeviceInfo.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QMap>
#include <QModelIndex>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class AddDeviceDlg;
class HintListWidget;
class QAbstractButton;
class QKeyEvent;
class QSreachBox;
class QStandardItem;
class QStandardItemModel;
class QTreeView;
class QWidget;
class TreeViewDelegate;

// The device panel of the main window: the login passes, the device tree's
// model, adding, editing, deleting and refreshing devices, and the device
// search with its history.
//
// Threads: passes run on worker threads (Workers()) and make their device-link
// and database calls there; every change to the tree and to the lists is
// handed to the GUI thread, where this object lives, and waited for. Rows are
// found again on the GUI thread by their device address, never by a row
// number taken on a worker, so passes that overlap cannot corrupt the model.
// The panes are not this object's: it asks for them to stop with the
// *Requested signals, which must reach their receiver directly.
class DeviceTreeController : public QObject
{
    Q_OBJECT

public:
    struct Widgets
    {
        QWidget* window = nullptr; // parent of the prompts, the dialog and the hint list
        QTreeView* tree = nullptr;
        QSreachBox* searchBox = nullptr;
        QAbstractButton* refreshButton = nullptr;
    };

    // Sets the tree's model; the rest of the panel comes with MakeParts().
    DeviceTreeController(const Widgets& widgets, QObject* parent);
    // The delegate and the hint list, and from then on the add dialog: made
    // only where devices can be logged in and stored.
    void MakeParts();

    // The tree's parts that send the window's slots their requests.
    TreeViewDelegate* Delegate() const { return pTreeViewDelegate; }
    // Made at its first use, not at start: the first screen does not show it.
    // Null before MakeParts().
    AddDeviceDlg* AddDialog();
    HintListWidget* HintList() const { return pHintListWidget; }
    QStandardItemModel* Model() const { return pDeviceModel; }
    // Every worker thread of the window: the passes' and the cleaning worker.
    WorkerThreads& Workers() { return workerThreads; }

    // SDK login handles of the devices and of the cameras in the tree.
    QList<long> LoggedInDevices() const { return qlistUserId; }
    QList<long> LoggedInChannels() const { return qlistChannelUserId; }
    QList<stu_DeviceInfo> KnownDevices() const { return qlistDeviceInfo; }
    QList<stu_DeviceChannelInfo> KnownChannels() const { return qlistChannelInfo; }
    bool IsDeviceExist(const QString& deviceIp) const;

    // Logs in every stored device.
    void LoginAllDevice();
    void ShowAddDialog();
    // The add dialog's input: a new device, or the edited one while the edit dialog is open.
    void AcceptDialog();
    // A new device, after which the dialog stays open with empty fields.
    void AcceptDialogAndContinue();
    void Edit(const QModelIndex& index);
    void DeleteSelected();
    void RefreshAll();
    void Refresh(const QModelIndex& index);
    void ShowLoginPassResult(const QString& failures);
    void ShowDeviceState(long userId, bool online);

    void Search(const QString& text);
    void ClearSearch();
    void ShowSearchHints(const QString& text);
    void TakeSearchHint(const QModelIndex& index);
    void TakeSearchHintText(const QString& text);
    // True when the key went to the hint list.
    bool ForwardKeyToHintList(QKeyEvent* event);

signals:
    // The add dialog has just been made, for its receivers to connect to.
    void AddDialogMade(AddDeviceDlg* dialog);
    // From the pass's thread, with its failures (empty when all logged in).
    void LoginPassFinished(QString failures);
    // The panes showing these rows stop (a device row: all its cameras).
    void ClosePlayRequested(const QModelIndex& row);
    // The pane showing this camera stops, and the preview count goes down when one did.
    void CloseRetiredChannelRequested(const QModelIndex& channelRow);
    void CloseAllRequested();

private:
    // `replaced`: the device an edit replaces, retired once the new values logged in.
    void StartLoginPass(const char* thread, const char* failureText, const QList<stu_DeviceInfo>& devices,
                        const std::optional<stu_DeviceInfo>& replaced);
    // Worker threads: the pass, its helpers' loop and one device's logins and records.
    void LoginDevice(const std::shared_ptr<LoginPass>& pass, const std::optional<stu_DeviceInfo>& replaced);
    void LoginDevices(const std::shared_ptr<LoginPass>& pass, const std::optional<stu_DeviceInfo>& replaced);
    LoginPass::Outcome LoginOne(const stu_DeviceInfo& device, const std::optional<stu_DeviceInfo>& replaced);
    void StoreLoggedInDevices(LoginPass& pass, const QList<LoginPass::Outcome>& outcomes);
    // GUI thread: the rows and lists of what the pass delivered so far.
    void ApplyLoginOutcomes(LoginPass& pass);
    void ApplyLoginOutcome(const LoginPass& pass, const LoginPass::Outcome& outcome);
    void RetireCamerasGone(QStandardItem* row, const QList<LoginPass::Channel>& channels);
    void StopCamerasShown(QStandardItem* row);
    void EndPendingLogin(const QString& deviceIp);
    void RetireReplacedDevice(const stu_DeviceInfo& old, const stu_DeviceInfo& device, long oldUserId, long newUserId);
    QStandardItem* FindDeviceRow(const QString& deviceIp) const;
    // Rebuilds the device's row, made at `newRowAt` when there is none.
    QStandardItem* ShowDeviceRow(const stu_DeviceInfo& device, int newRowAt);
    void AppendChannelRow(QStandardItem* device, const stu_DeviceChannelInfo& channel, long userId);
    void RememberDevice(const stu_DeviceInfo& device);
    void RememberLogin(QList<long>& logins, long userId);
    void ForgetDevice(const QString& deviceIp);
    bool LogoutOf(const QString& ip, int port, const QString& user);
    bool RefuseBusyRow(const QStandardItem* item);
    bool AddDevice(bool bModify);
    void DealSearch(const QString& text);
    void ShowAllDeviceRows();

    Widgets ui;
    TreeViewDelegate* pTreeViewDelegate = nullptr;
    AddDeviceDlg* pAddDeviceDlg = nullptr;
    HintListWidget* pHintListWidget = nullptr;
    QStandardItemModel* pDeviceModel = nullptr;
    QMap<int, QIcon> mapIcon;
    QList<long> qlistUserId;
    // SDK login handles of the cameras in the tree, logged out with the devices'.
    QList<long> qlistChannelUserId;
    QList<stu_DeviceInfo> qlistDeviceInfo;
    QList<stu_DeviceChannelInfo> qlistChannelInfo;
    // The device whose edit dialog is open.
    std::optional<stu_DeviceInfo> editingDevice;
    // Passes under way per device address: their rows are busy until then.
    QHash<QString, int> pendingLogins;
    // Passes that meet on a device share its login.
    LoginGate loginGate;
    // Every worker thread started (login passes and the cleaning worker); see
    // WorkerThreads for why none is ever left detached. Last, so it is joined
    // before the rest goes.
    WorkerThreads workerThreads;
};
