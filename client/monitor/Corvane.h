#pragma once

#include "LoginGate.h"
#include "LoginPass.h"
#include "WorkerThreads.h"
#include "ui_Corvane.h"

#include "core/ExternalProcessManage.h"
#include "core/TrafficIncident.h"
#include "core/stu_DeviceChannelInfo.h"
#include "core/stu_DeviceInfo.h"
#include "device/DeviceManager.h"
#include "device/stu_LoginInfo.h"

#include <QFuture>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QMap>
#include <QModelIndex>
#include <QPixmap>
#include <QPoint>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class AddDeviceDlg;
class ConfigDialog;
class HintListWidget;
class IncidentItem;
class IncidentPromptsDialog;
class IncidentSpeaker;
class LanguageManage;
class QStandardItem;
class QStandardItemModel;
class QTimer;
class SplitScreen;
class TipBox;
class OverTip;
class TreeViewDelegate;
class QAction;

// The client's one main window: a frameless window with its own title bar,
// the preview page (device tree, live incident list, video grid) and the
// search page. It owns the worker threads of the device login passes and of
// the data cleaning, wires the device link's alarms to its alarm slots, and
// shuts all of it down when it closes.
//
// Threads: the alarm slots run on the device SDK's listener thread and the
// login passes on worker threads; both hand results to the GUI thread with
// blocking queued signals. Closing the window stops the listener, ends the
// SDK's logins and joins the workers while it keeps serving those hand-overs,
// so no thread is left waiting on a GUI thread that waits on it.
class Corvane : public QMainWindow
{
    Q_OBJECT

public:
    // `alarmPort` is the local port of the alarm listener (the devices' default 5650).
    explicit Corvane(QWidget* parent = nullptr, quint16 alarmPort = DeviceManager::kAlarmListenPort);
    ~Corvane() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

    // What the tests and the start-up report look at.
    long ListenHandle() const { return lListenHandle; }
    QList<long> LoggedInDevices() const { return qlistUserId; }
    QList<long> LoggedInChannels() const { return qlistChannelUserId; }
    const QHash<int, QString>& IncidentNames() const { return hashIncidentName; }
    const QHash<int, QString>& IncidentIcons() const { return hashIncidentIcon; }
    const QString& VersionText() const { return strVersion; }
    int RunningWorkers() const { return workerThreads.Count(); }
    int PreviewCount() const { return nPreviewCount; }
    QTimer* ClockTimer() const { return pTimer; }
    QStandardItemModel* DeviceModel() const { return pDeviceModel; }
    QList<stu_DeviceInfo> KnownDevices() const { return qlistDeviceInfo; }
    QList<stu_DeviceChannelInfo> KnownChannels() const { return qlistChannelInfo; }
    AddDeviceDlg* AddDeviceDialog() const { return pAddDeviceDlg; }
    HintListWidget* HintList() const { return pHintListWidget; }
    TreeViewDelegate* DeviceTreeDelegate() const { return pTreeViewDelegate; }
    bool IsDeviceExist(const QString& deviceIp) const;
    // Marks a channel row with the pane that previews it; callable from any thread.
    static void UpdateChannelIcon(QStandardItem* item, quint16 paneIndex, bool ok);
    Ui_CorvaneClass& Form() { return ui; }
    // The tip bubble at `at` (window coordinates) with a picture strip above
    // it; made on first use. Null until then.
    void ShowTipBox(const QString& text, const QString& buttonText, const QPoint& at);
    TipBox* Tip() const { return pTipBox; }

    // Builds "V2.0.0 build" followed by the compile date as yyyyMMdd; `compileDate`
    // is the compiler's date text ("Mmm dd yyyy").
    static QString BuildVersionText(const char* compileDate = __DATE__);

signals:
    void InsertConditionSig();
    void DealIncidentPromptsSig(TrafficIncident incident);
    void DealIncidentTableSig(TrafficIncident incident);
    void DeviceLoginFinishedSig(QString strMsg);
    void ChannelPreviewStateSig(bool bPreviewSuccess, QString);
    void UpdatePosSig();
    void signalReTranslateUI();

public slots:
    void stateChanged(int state);
    void on_pBnSwitchLanguage_clicked();
    void reTranslateUI();
    void on_toolButton_min_clicked();
    void on_toolButton_max_clicked();
    void on_toolButton_close_clicked();
    void TopSliderNavigationItemClickedSlot(int index);
    void ShowWeekAndTimeSlot();
    void on_qIconPtnAbout_clicked();
    void on_qIconPtnSet_clicked();
    void on_pBtnVlc_clicked();
    void ErrMsgSlot(QString msg);
    void TimesSlot();
    void on_pictureBtnSplitScreen_clicked();
    void on_qIconPBtnExpandScreen_clicked();
    void ShowSplitScreenSLot(QString text);
    void TreeDoubleClickedSlot(const QModelIndex& index);
    void on_qIconPBtnPlayAll_clicked();
    void on_qIconPBtnCloseAll_clicked();
    void on_picBtnFirstPage_clicked();
    void on_picBtnPrePage_clicked();
    void on_picBtnNextPage_clicked();
    void on_picBtnLastPage_clicked();
    void on_qIconPBtnAddDevice_clicked();
    void on_qIconPBtnDelDevice_clicked();
    void AddDeviceSlot(bool bModify);
    void AddDeviceContinueSlot();
    void PlaySlot(const QModelIndex& index);
    void ClosePlaySlot(const QModelIndex& index);
    void EditSlot(const QModelIndex& index);
    void RefreshSlot(const QModelIndex& index);
    void DeviceLoginFinishedSlot(QString strMsg);
    void ChannelPreviewStateSlot(bool bPreviewSuccess, QString text);
    void FlushListWidget(const QString& text);
    void ClickedListWidget(const QModelIndex& index);
    void ChangeListWidgetText(QString text);
    void SearchDeviceSlot(QString text);
    void ClearSearchInfo();
    void DeviceStateSlot(long lUserId, bool bState);
    void on_qIconPbtnRefresh_clicked();
    void on_treeViewDevice_clicked(const QModelIndex& index);
    void OpenIllegalRecordSlot(int state);
    void on_qIconPBQuickSet_clicked();
    void DealIncidentPromptsSlot(TrafficIncident incident);
    void DealIncidentTableSlot(TrafficIncident incident);
    void RefreshIncidentListSlot();
    // Run on the device SDK's listener thread (direct connections).
    void RecvAlarmAidSlot(const TSR_ALARMER* pAlarmer, const TSR_AID_ALARM* pStuAlarmAid);
    void RecvItsPlateResultSlot(const TSR_ALARMER* pAlarmer, const char* pBody);
    void RecvAlarmTpsSlot(const TSR_ALARMER* pAlarmer, const TSR_TPS_ALARM* pStuAlarmTps);
    void RecvAlarmTfsSlot(const TSR_ALARMER* pAlarmer, const TSR_TFS_ALARM* pStuTfsResult);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void InitUi();
    void ConnectDatabase();
    // ---- Device tree (CorvaneDevices.cpp) ----
    void CreateDeviceTreeParts();
    void ConnectDeviceTreeParts();
    void LoginAllDevice();
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
    void EndPendingLogin(const QString& deviceIp);
    void RetireReplacedDevice(const stu_DeviceInfo& old, const stu_DeviceInfo& device, long oldUserId,
                              long newUserId);
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
    bool ForwardKeyToHintList(QKeyEvent* event);
    void BuildIncidentTypeTables();
    void ReadClipSettings();
    void MakeConnections();
    void StartDeleteDataThread();
    void DeleteDataThread();
    // Alarm road helpers (CorvaneAlarms.cpp).
    void GetFilterIncident(QList<int>& out);
    static bool SaveToFile(const char* buf, int len, const char* path);
    QString CurrentDataPath() const;
    void SpeakIncidentLater(quint32 incidentType);
    void SpeechIncident(const QString& text);
    void RepositionSplitScreen();
    // Live video (CorvanePreview.cpp).
    bool IsPlayableChannel(const QModelIndex& row) const;
    int StartOnePreview(const QModelIndex& channelRow);
    void MarkChannelPreview(const QModelIndex& channelRow, int state);
    bool CloseChannelRow(const QModelIndex& channelRow);
    QList<QModelIndex> ChannelRows() const;
    void StopAllPreviews();
    void PlayPage(int page);
    void ShowPage(int page, int total);
    int TotalPages() const;
    void StartTitleDrag(QMouseEvent* event);
    // Stops everything that may hand work to the GUI thread: the alarm
    // listener, the SDK's logins and the worker threads. Runs once, when the
    // window closes or, at the latest, when it is destroyed.
    void StopBackgroundWork();
    // Runs `work` on a helper thread while this (GUI) thread discards the
    // hand-overs posted to the window, so `work` may wait for threads that
    // are blocked handing something over.
    void RunWhileReleasingHandOvers(const std::function<void()>& work);
    void ReleaseHandOvers();

    Ui_CorvaneClass ui;
    QString strVersion;
    QString strSaveDataPath;
    bool bCutVideo = false;
    int nVideoTimeBefore = 0;
    int nVideoTimeAfter = 0;
    SplitScreen* pSplitScreen = nullptr;
    TipBox* pTipBox = nullptr;
    OverTip* pOverTip = nullptr;
    QTimer* pTimer = nullptr;
    QPixmap pixSplitScreen;
    long lListenHandle = -1;
    QList<long> qlistUserId;
    AddDeviceDlg* pAddDeviceDlg = nullptr;
    QList<stu_DeviceInfo> qlistDeviceInfo;
    QList<stu_DeviceChannelInfo> qlistChannelInfo;
    TreeViewDelegate* pTreeViewDelegate = nullptr;
    QStandardItemModel* pDeviceModel = nullptr;
    QMap<int, QIcon> mapIcon;
    HintListWidget* pHintListWidget = nullptr;
    QList<stu_LoginInfo> qlistRecordingLogin;
    IncidentPromptsDialog* pIncidentPromptsDialog = nullptr;
    IncidentItem* pNewestIncidentItem = nullptr;
    QStandardItemModel* pIncidentListModel = nullptr;
    QHash<int, QString> hashIncidentName;
    QHash<int, QString> hashIncidentIcon;
    int nPreviewCount = 0;
    QFuture<void> futureIllegalRecord;
    qint64 llCleanSize = 0;
    ConfigDialog* pConfigDialog = nullptr;
    IncidentSpeaker* pIncidentSpeaker = nullptr;
    // Set once no speech engine could be made, so the lack is logged once.
    bool bSpeechUnavailable = false;
    LanguageManage* pLanguageManage = nullptr;
    ExternalProcessManage externalProcessManage;

    quint16 alarmPort;
    // Set when the window closes: the alarm slots stop handing alarms over.
    std::atomic<bool> closing{false};
    bool backgroundStopped = false;
    // A title drag the window does itself when no window manager takes it.
    bool titleDragByHand = false;
    QPoint titleDragOffset;
    // Every worker thread started (login passes and the cleaning worker); see
    // WorkerThreads for why none is ever left detached.
    WorkerThreads workerThreads;
    // The device whose edit dialog is open.
    std::optional<stu_DeviceInfo> editingDevice;
    // SDK login handles of the cameras in the tree, logged out with the devices'.
    QList<long> qlistChannelUserId;
    // Passes under way per device address: their rows are busy until then.
    QHash<QString, int> pendingLogins;
    // Passes that meet on a device share its login.
    LoginGate loginGate;
};
