#pragma once

#include "ui_Corvane.h"

#include "core/ExternalProcessManage.h"
#include "core/TrafficIncident.h"
#include "device/DeviceManager.h"

#include <QHash>
#include <QMainWindow>
#include <QModelIndex>
#include <QPoint>
#include <QString>

#include <atomic>
#include <functional>

class AddDeviceDlg;
class AlarmIntake;
class ConfigDialog;
class DeviceTreeController;
class IncidentItem;
class IncidentPromptsDialog;
class IncidentSpeaker;
class LanguageManage;
class PreviewController;
class QStandardItemModel;
class QTimer;
class SearchFrame;

// The client's one main window: a frameless window with its own title bar,
// the preview page (device tree, live incident list, video grid) and the
// search page, which is built when the operator first opens it. Its slots forward to the parts it owns: AlarmIntake
// (the alarm slots' listener-thread work), DeviceTreeController (logins, the tree and the worker threads) and
// PreviewController (the video grid). It wires the device link's alarms to its alarm slots and shuts all of it down
// when it closes.
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
    // Puts the incidents taken since the last frame into the live list and the prompt.
    void ShowNewestIncidents();
    void ScheduleIncidentFrame();
    void ShowPromptOf(const TrafficIncident& incident);
    void ShowLiveRows();
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
    // The search page, built and connected on first use; it comes up in the
    // language of the moment and follows later switches.
    SearchFrame* SearchPage();
    void ConnectDatabase();
    // What went wrong at start that the operator must know: the database, the
    // settings file, the alarm port, the data folder. Told once the window is up.
    void CollectStartupTroubles();
    void ShowStartupTroubles();
    void BuildIncidentTypeTables();
    void ReadClipSettings();
    void MakeConnections();
    void ConnectDeviceTree();
    void ConnectAddDialog(AddDeviceDlg* dialog);
    void ConnectPreview();
    void StartDeleteDataThread();
    void DeleteDataThread();
    // Alarm road, GUI side (CorvaneAlarms.cpp).
    void SpeakIncidentLater(quint32 incidentType);
    void SpeechIncident(const QString& text);
    void StartTitleDrag(QMouseEvent* event);
    // Stops everything that may hand work to the GUI thread: the alarm
    // listener, the SDK's logins and the worker threads. Runs once, when the
    // window closes or, at the latest, when it is destroyed.
    void StopBackgroundWork();
    // Runs `work` on a helper thread while this (GUI) thread discards the
    // hand-overs posted to the window and its parts, so `work` may wait for
    // threads that are blocked handing something over.
    void RunWhileReleasingHandOvers(const std::function<void()>& work);
    void ReleaseHandOvers();

    Ui_CorvaneClass ui;
    // The listener thread's side of the alarm slots.
    AlarmIntake* alarmIntake = nullptr;
    // The device panel: logins, the tree and every worker thread.
    DeviceTreeController* deviceTree = nullptr;
    // The video grid and its pages.
    PreviewController* preview = nullptr;
    SearchFrame* searchPage = nullptr;
    QString strVersion;
    QTimer* pTimer = nullptr;
    long lListenHandle = -1;
    QStringList startupTroubles;
    IncidentPromptsDialog* pIncidentPromptsDialog = nullptr;
    IncidentItem* pNewestIncidentItem = nullptr;
    // The newest incidents, newest first, at most as many as the list shows,
    // and the one the prompt waits to show; painted once per frame.
    QList<TrafficIncident> newestIncidents;
    TrafficIncident promptIncident;
    bool promptPending = false;
    bool incidentFramePending = false;
    QTimer* pIncidentFrameTimer = nullptr;
    QStandardItemModel* pIncidentListModel = nullptr;
    QHash<int, QString> hashIncidentName;
    QHash<int, QString> hashIncidentIcon;
    ConfigDialog* pConfigDialog = nullptr;
    IncidentSpeaker* pIncidentSpeaker = nullptr;
    LanguageManage* pLanguageManage = nullptr;
    ExternalProcessManage externalProcessManage;

    quint16 alarmPort;
    // Set when the window closes: the alarm slots stop handing alarms over.
    std::atomic<bool> closing{false};
    bool backgroundStopped = false;
    // A title drag the window does itself when no window manager takes it.
    bool titleDragByHand = false;
    QPoint titleDragOffset;
};
