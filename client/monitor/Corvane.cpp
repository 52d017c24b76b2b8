#include "Corvane.h"

#include "AlarmIntake.h"
#include "DeviceTreeController.h"
#include "MonitorLog.h"
#include "PreviewController.h"
#include "HintListWidget.h"
#include "RequstRunables.h"
#include "TreeViewDelegate.h"
#include "RtspManager.h"

#include "core/ApplicationDir.h"
#include "core/DeviceTime.h"
#include "data/ImplementInstance.h"
#include "core/IncidentVocabulary.h"
#include "core/LanguageManage.h"
#include "core/Logging.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/AddDeviceDlg.h"
#include "dialogs/ConfigDialog.h"
#include "dialogs/MessageInfoDlg.h"
#include "dialogs/QuickSetDialog.h"
#include "dialogs/QPromptWidget.h"
#include "dialogs/QSreachBox.h"
#include "search/SearchFrame.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QRegExpValidator>
#include <QStandardItemModel>
#include <QTimer>
#include <QWindow>

#include <boost/thread/thread.hpp>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

std::shared_ptr<spdlog::logger> Log()
{
    return CorvaneLog();
}

// Excluded from device search texts: quotes, blanks and the characters that
// mean something in paths, SQL patterns or shells.
QString SearchTextPattern()
{
    const QString excluded = QStringLiteral("\"`'@ ^[]{}()-:：*?＊？<>|/%\\&“”~!#$;,=_+");
    QString characterClass;
    for (const QChar c : excluded)
        characterClass += QLatin1Char('\\') + c;
    return QStringLiteral("^[^%1]+$").arg(characterClass);
}

struct IncidentTypeRow
{
    int code;
    const char* name;
    const char* icon;
};

// In the order the tables are filled; names go through tr() when they are used.
const IncidentTypeRow kIncidentTypes[] = {
    {1, QT_TRANSLATE_NOOP("Corvane", "拥堵"), ":images/incidentType/Congestion.png"},
    {2, QT_TRANSLATE_NOOP("Corvane", "违停"), ":images/incidentType/illegallyPark.png"},
    {4, QT_TRANSLATE_NOOP("Corvane", "逆行"), ":images/incidentType/WrongWayDriving.png"},
    {8, QT_TRANSLATE_NOOP("Corvane", "行人"), ":images/incidentType/pedestrian.png"},
    {16, QT_TRANSLATE_NOOP("Corvane", "抛撒物"), ":images/incidentType/ObjectsDroppedDown.png"},
    {32, QT_TRANSLATE_NOOP("Corvane", "烟雾"), ":images/incidentType/smog.png"},
    {64, QT_TRANSLATE_NOOP("Corvane", "压线"), ":images/incidentType/LinePressing.png"},
    {131072, QT_TRANSLATE_NOOP("Corvane", "能见度"), ":images/incidentType/visibility.png"},
    {16384, QT_TRANSLATE_NOOP("Corvane", "施工"), ":images/incidentType/construction.png"},
    {512, QT_TRANSLATE_NOOP("Corvane", "变道"), ":images/incidentType/changeLane.png"},
    {1024, QT_TRANSLATE_NOOP("Corvane", "掉头"), ":images/incidentType/turnRound.png"},
    {2048, QT_TRANSLATE_NOOP("Corvane", "机占非"), ":images/incidentType/vehicleViolation.png"},
    {4096, QT_TRANSLATE_NOOP("Corvane", "加塞"), ":images/incidentType/QueueJumping.png"},
    {8192, QT_TRANSLATE_NOOP("Corvane", "路障"), ":images/incidentType/roadBlock.png"},
    {32768, QT_TRANSLATE_NOOP("Corvane", "交通事故"), ":images/incidentType/accident.png"},
    {524288, QT_TRANSLATE_NOOP("Corvane", "火灾"), ":images/incidentType/fire.png"},
    {260, QT_TRANSLATE_NOOP("Corvane", "低速行驶"), ":images/incidentType/lowSpeed.png"},
};

} // namespace

Corvane::Corvane(QWidget* parent, quint16 alarmPort)
    : QMainWindow(parent), alarmIntake(new AlarmIntake(this)), alarmPort(alarmPort)
{
    // Before the form's widgets exist: new flags on a window with children
    // have every child re-parented and its style and font resolved again.
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    ui.setupUi(this);
    // The shadow margin round the body; the frame filter takes it away while
    // the window is maximised.
    setContentsMargins(12, 12, 12, 12);
    ui.centralWidget->setAutoFillBackground(true);
    ui.centralWidget->setBackgroundRole(QPalette::Window);
    ui.frameTitle->installEventFilter(this);

    pLanguageManage = LanguageManage::GetInstance();
    connect(pLanguageManage, &LanguageManage::languageChangeSig, this, &Corvane::reTranslateUI);

    InitUi();
    ConnectDatabase();
    strVersion = BuildVersionText();
    BuildIncidentTypeTables();
    reTranslateUI();

    constexpr const char* method = "Corvane::Corvane";
    if (!ImplementInstance::GetInstance()) {
        Log()->error("{}, pImplementInstance is NULL", method);
        return;
    }
    ReadClipSettings();

    DeviceManager* devices = DeviceManager::GetInstance();
    if (!devices)
        return;
    devices->SetCallBack();
    // Before the first login, which fetches the clips a former run left open.
    devices->SetClipLedger(ClipLedgerIn(*ImplementInstance::GetInstance()->GetDatabase()));
    // Every receiver is connected before the listener and the first login pass
    // start, so no alarm or login result can come while nobody listens.
    MakeConnections();
    if (!devices->StartListen(&lListenHandle, alarmPort)) {
        Log()->error("{}, listen failed", method);
        startupTroubles << tr("报警端口%1无法监听（可能已被其他程序占用），本次运行收不到设备报警。"
                              "请关闭占用该端口的程序后重新启动客户端。")
                               .arg(alarmPort);
    }
    CollectStartupTroubles();
    deviceTree->LoginAllDevice();
    Log()->info("{}, threadId:{}", method, ThreadIdText());
    StartDeleteDataThread();
    // Queued: shown over the window, once it is on screen.
    QTimer::singleShot(0, this, &Corvane::ShowStartupTroubles);
}

void Corvane::CollectStartupTroubles()
{
    ImplementInstance* instance = ImplementInstance::GetInstance();
    if (instance->ConfigWasUnreadable()) {
        const QString keptAs = instance->ConfigKeptAs();
        startupTroubles << (keptAs.isEmpty() ? tr("配置文件config.ini无法读取，本次使用默认设置，且不会保存设置。")
                                             : tr("配置文件config.ini无法读取，已改名保存为%1，本次使用默认设置。")
                                                   .arg(QDir::toNativeSeparators(keptAs)));
    }
    const QString dataFolder = instance->GetConfig()->GetValue(QStringLiteral("Param/SaveDataPath"), true).toString();
    const QString problem = FolderWriteProblem(dataFolder);
    if (!problem.isEmpty()) {
        Log()->error("{}, data folder {} cannot be written: {}", "Corvane::Corvane", dataFolder, problem);
        startupTroubles << tr("数据保存目录%1无法写入（%2），报警图片和录像将无法保存。请在 配置 中选择可写入的目录。")
                               .arg(QDir::toNativeSeparators(dataFolder), problem);
    }
}

void Corvane::ShowStartupTroubles()
{
    if (startupTroubles.isEmpty())
        return;
    auto* message = new MessageInfoDlg(this);
    message->setObjectName(QStringLiteral("startupTroubleMessage"));
    message->setAttribute(Qt::WA_DeleteOnClose);
    message->SetText(startupTroubles.join(QStringLiteral("\n\n")));
    // Not modal: the window stays usable (the device list, the search) behind it.
    message->show();
}

Corvane::~Corvane()
{
    constexpr const char* method = "Corvane::~Corvane";
    StopBackgroundWork();

    for (long userId : deviceTree->LoggedInDevices())
        TSR_Logout(static_cast<int32_t>(userId));
    for (long userId : deviceTree->LoggedInChannels())
        TSR_Logout(static_cast<int32_t>(userId));
    TSR_Cleanup();
    Log()->info("{}, SDK end..", method);

    DeviceManager::DestroyInstance();
    RtspManager::DestroyInstance();
    // A search still reading would find its database closed under it.
    if (searchPage)
        searchPage->StopSearches();
    if (ImplementInstance* instance = ImplementInstance::GetInstance()) {
        instance->GetDatabase()->CloseDatabase();
        Log()->info("{}, CloseDatabase end..", method);
        ImplementInstance::DestroyInstance();
        Log()->info("{}, DestroyInstance end..", method);
    }
}

void Corvane::closeEvent(QCloseEvent* event)
{
    // Before the event loop ends: the listener and the workers may be waiting
    // for this thread, which must still serve them while they stop.
    StopBackgroundWork();
    QMainWindow::closeEvent(event);
}

void Corvane::StopBackgroundWork()
{
    if (backgroundStopped)
        return;
    backgroundStopped = true;
    constexpr const char* method = "Corvane::~Corvane";
    if (pTimer)
        pTimer->stop();
    // Live plays end before the SDK's logins do; a start still under way is
    // stopped when its result arrives.
    ui.widgetPreview->StopAll();
    Log()->info("{}, live plays stopped", method);

    const long listenHandle = lListenHandle;
    DeviceManager* devices = DeviceManager::GetInstance();
    RunWhileReleasingHandOvers([this, listenHandle, devices, method] {
        // Stopping the listener waits for the alarm being handled, and
        // cleaning up ends the logins under way, which the passes wait for.
        if (!TSR_StopListen(static_cast<int32_t>(listenHandle)))
            Log()->error("{}, TSR_StopListen failed", method);
        Log()->info("{}, listener stopped", method);
        // alarm store: only now do the slots turn alarms away; none comes any more
        closing = true;
        // Clip downloads stop while the SDK they use is still there; one
        // stuck on a silent device is ended by the clean-up instead.
        devices->StopClipJobs(1000);
        Log()->info("{}, clip downloads stopped", method);
        TSR_Cleanup();
        Log()->info("{}, device links closed", method);
        // Cleaning up ends the logins and plays that starts wait for, so they
        // finish at once; none may still use the device link when it goes.
        RequstRunables::WaitForPreviews();
    });
    lListenHandle = -1;

    Log()->info("{}, deleteDataThread start..", method);
    WorkerThreads& workers = deviceTree->Workers();
    workers.InterruptAll();
    while (!workers.JoinAll(std::chrono::seconds(5), [this] { ReleaseHandOvers(); }))
        Log()->error("{}, {} worker threads still running", method, workers.Count());
    Log()->info("{}, worker threads end..", method);
}

void Corvane::RunWhileReleasingHandOvers(const std::function<void()>& work)
{
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread helper([&] {
        work();
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
        finished.notify_one();
    });
    std::unique_lock<std::mutex> lock(mutex);
    while (!finished.wait_for(lock, std::chrono::milliseconds(2), [&] { return done; })) {
        lock.unlock();
        ReleaseHandOvers();
        lock.lock();
    }
    lock.unlock();
    helper.join();
}

void Corvane::ReleaseHandOvers()
{
    // A blocking queued call posts an event to the window and waits until the
    // event is gone; dropping it frees the waiting thread without running the
    // slot on a window that is shutting down.
    for (QObject* receiver : {static_cast<QObject*>(this), static_cast<QObject*>(deviceTree)})
        QCoreApplication::removePostedEvents(receiver, QEvent::MetaCall);
}

void Corvane::InitUi()
{
    ui.topSliderNavigation->setSpace(30);
    ui.topSliderNavigation->setItemSize(QSize(250, 48));
    ui.topSliderNavigation->addItem(tr("视频预览"));
    ui.topSliderNavigation->addItem(tr("综合查询"));
    ui.topSliderNavigation->setCurrentIndex(0);

    deviceTree = new DeviceTreeController({this, ui.treeViewDevice, ui.lineEditSreachBox, ui.qIconPbtnRefresh}, this);
    preview = new PreviewController({this, ui.widgetPreview, ui.frameTurnPage, ui.labelCurPage, ui.labelTotalPage,
                                     ui.picBtnFirstPage, ui.picBtnPrePage, ui.picBtnNextPage, ui.picBtnLastPage,
                                     ui.qIconPBtnPlayAll, ui.pictureBtnSplitScreen},
                                    deviceTree->Model(), this);

    const QPixmap timeBackground(QStringLiteral(":images/preview/timeBg.png"));
    QPalette timePalette = ui.frameTime->palette();
    timePalette.setBrush(
        ui.frameTime->backgroundRole(),
        QBrush(timeBackground.scaled(ui.frameTime->size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    ui.frameTime->setPalette(timePalette);
    ui.frameTime->setAutoFillBackground(true);

    ShowWeekAndTimeSlot();
    ui.frameTurnPage->setEnabled(false);

    QTreeView* tree = ui.treeViewDevice;
    tree->setMouseTracking(true);
    tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tree->setSelectionBehavior(QAbstractItemView::SelectItems);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setHeaderHidden(true);
    tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);

    pIncidentListModel = new QStandardItemModel(ui.listViewIncident);
    ui.listViewIncident->setModel(pIncidentListModel);
    ui.listViewIncident->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui.listViewIncident->setFocusPolicy(Qt::NoFocus);

    ui.lineEditSreachBox->setValidator(
        new QRegExpValidator(QRegExp(SearchTextPattern(), Qt::CaseSensitive, QRegExp::RegExp), this));

    ui.qIconPbtnRefresh->setEnabled(false);
}

SearchFrame* Corvane::SearchPage()
{
    if (searchPage)
        return searchPage;
    searchPage = new SearchFrame(ui.pageSearch);
    searchPage->setObjectName(QStringLiteral("frameSearchParam"));
    ui.verticalLayout_search->addWidget(searchPage);
    connect(pLanguageManage, &LanguageManage::languageChangeSig, searchPage, &SearchFrame::reTranslateUI);
    connect(this, &Corvane::InsertConditionSig, searchPage, &SearchFrame::InsertConditionSlot);
    connect(this, &Corvane::UpdatePosSig, searchPage, &SearchFrame::UpdatePosSlot);
    return searchPage;
}

void Corvane::ConnectDatabase()
{
    constexpr const char* method = "Corvane::ConnectDatabase";
    const QString path = ApplicationDirPath() + QStringLiteral("/Corvane.db");
    Log()->info("{}, Corvane.db connect,{}", method, path);
    if (!QFileInfo::exists(path))
        // Alarms would be lost for the whole run without a database: the
        // database layer makes the file from the schema.
        Log()->error("{}, Corvane.db is not exists", method);
    ImplementInstance* instance = ImplementInstance::GetInstance();
    if (instance && !instance->GetDatabase()->ConnectDatabase(path)) {
        Log()->error("{}, connect database failed", method);
        startupTroubles
            << tr("数据库文件%1无法使用（已损坏或不是本程序的数据库），设备列表为空，本次运行的报警不会保存。"
                  "文件未被改动，详情见日志。")
                   .arg(QDir::toNativeSeparators(path));
    }
}

QString Corvane::BuildVersionText(const char* compileDate)
{
    // "Mmm dd yyyy", the day padded with a blank.
    const QString text = QString::fromLatin1(compileDate).simplified();
    const QStringList parts = text.split(QLatin1Char(' '));
    QDate date;
    if (parts.size() == 3) {
        const int month = QStringLiteral("JanFebMarAprMayJunJulAugSepOctNovDec").indexOf(parts[0]) / 3 + 1;
        date = QDate(parts[2].toInt(), month, parts[1].toInt());
    }
    return QStringLiteral("V2.0.0 build%1").arg(QDateTime(date, QTime(0, 0)).toString(QStringLiteral("yyyyMMdd")));
}

void Corvane::BuildIncidentTypeTables()
{
    for (const IncidentTypeRow& row : kIncidentTypes) {
        hashIncidentName.insert(row.code, QString::fromStdString(IncidentTypeName(row.code)));
        hashIncidentIcon.insert(row.code, QString::fromLatin1(row.icon));
    }
}

void Corvane::ReadClipSettings()
{
    // Swapped whole: an alarm under way on the listener thread keeps the
    // values it started with.
    alarmIntake->SetClipSettings(ClipSettings::Read(*ImplementInstance::GetInstance()->GetConfig()));
}

void Corvane::MakeConnections()
{
    DeviceManager* devices = DeviceManager::GetInstance();

    connect(ui.topSliderNavigation, SIGNAL(itemClicked(int)), this, SLOT(TopSliderNavigationItemClickedSlot(int)));
    // Owned by the window, so it can never fire into a destroyed one.
    pTimer = new QTimer(this);
    pTimer->setObjectName(QStringLiteral("clockTimer"));
    pTimer->setInterval(1000);
    pTimer->start();
    connect(pTimer, &QTimer::timeout, this, [this] { ShowWeekAndTimeSlot(); });
    connect(ui.treeViewDevice, &QTreeView::doubleClicked, this, &Corvane::TreeDoubleClickedSlot);
    deviceTree->MakeParts();
    connect(devices, &DeviceManager::DeviceStateSig, this, &Corvane::DeviceStateSlot);
    DeviceManager::ConnectAlarms(this, &Corvane::RecvAlarmAidSlot, &Corvane::RecvAlarmTpsSlot,
                                 &Corvane::RecvAlarmTfsSlot);
    // alarm store: one toast when storing starts failing, one when it resumes
    connect(devices, &DeviceManager::AlarmStoreFailingSig, this, [this](bool failing) {
        QPromptWidget::ShowPrompt(failing ? QPromptWidget::Fail : QPromptWidget::Succ,
                                  failing ? tr("报警无法保存，设备将保留报警并重新发送") : tr("报警已恢复保存"), this,
                                  5000);
    });
    connect(this, &Corvane::DealIncidentPromptsSig, this, &Corvane::DealIncidentPromptsSlot,
            Qt::BlockingQueuedConnection);
    connect(this, &Corvane::DealIncidentTableSig, this, &Corvane::DealIncidentTableSlot, Qt::BlockingQueuedConnection);
    ConnectDeviceTree();
    ConnectPreview();
    connect(this, &Corvane::DeviceLoginFinishedSig, this, &Corvane::DeviceLoginFinishedSlot,
            Qt::BlockingQueuedConnection);
    connect(this, &Corvane::ChannelPreviewStateSig, this, &Corvane::ChannelPreviewStateSlot,
            Qt::BlockingQueuedConnection);
    connect(&externalProcessManage, &ExternalProcessManage::ErrMsgSig, this, &Corvane::ErrMsgSlot);
}

void Corvane::StartDeleteDataThread()
{
    try {
        deviceTree->Workers().Start("deleteDataThread", [this] { DeleteDataThread(); });
    } catch (const boost::thread_resource_error& error) {
        Log()->error("{}，delete data Thread exception : {}", "Corvane::Corvane", error.what());
    }
}

// The alarm slots, their hand-over to the live list and the prompt, and
// speech are in CorvaneAlarms.cpp.

// ---- Frame, navigation, clock and language ----

bool Corvane::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    const bool mouseEvent = type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
                            type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick;
    if (watched == ui.frameTitle && mouseEvent) {
        // Only mouse events are cast: the title sees every other kind too.
        auto* mouse = static_cast<QMouseEvent*>(event);
        switch (type) {
        case QEvent::MouseButtonPress:
            if (mouse->button() == Qt::LeftButton) {
                StartTitleDrag(mouse);
                return true;
            }
            break;
        case QEvent::MouseMove:
            if (titleDragByHand && (mouse->buttons() & Qt::LeftButton)) {
                move(mouse->globalPos() - titleDragOffset);
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            if (titleDragByHand && mouse->button() == Qt::LeftButton) {
                titleDragByHand = false;
                return true;
            }
            break;
        case QEvent::MouseButtonDblClick:
            if (mouse->button() == Qt::LeftButton) {
                on_toolButton_max_clicked();
                return true;
            }
            break;
        default: break;
        }
    }
    preview->RepositionLayoutChooser();
    emit UpdatePosSig();
    return QMainWindow::eventFilter(watched, event);
}

void Corvane::StartTitleDrag(QMouseEvent* event)
{
    // The window manager moves the window; a bare X server has none, and then
    // the window follows the pointer itself until the button is released.
    titleDragByHand = !(windowHandle() && windowHandle()->startSystemMove());
    titleDragOffset = event->globalPos() - frameGeometry().topLeft();
}

void Corvane::on_toolButton_min_clicked()
{
    showMinimized();
    preview->RepositionLayoutChooser();
    emit UpdatePosSig();
}

void Corvane::on_toolButton_max_clicked()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
    preview->RepositionLayoutChooser();
    emit UpdatePosSig();
}

void Corvane::on_toolButton_close_clicked()
{
    close();
}

void Corvane::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && !isMinimized())
        setAttribute(Qt::WA_Mapped);
    QMainWindow::changeEvent(event);
}

void Corvane::showEvent(QShowEvent* event)
{
    setAttribute(Qt::WA_Mapped);
    QMainWindow::showEvent(event);
}

void Corvane::keyPressEvent(QKeyEvent* event)
{
    if (!deviceTree->ForwardKeyToHintList(event))
        QMainWindow::keyPressEvent(event);
}

void Corvane::TopSliderNavigationItemClickedSlot(int index)
{
    // The layout chooser belongs to the video grid; left open, it would float
    // over the search page.
    preview->CloseLayoutChooser();
    if (HintListWidget* hints = deviceTree->HintList())
        hints->hide();
    if (index == 1)
        SearchPage();
    ui.stackedWidget->setCurrentIndex(index);
    if (index == 1)
        emit InsertConditionSig();
}

void Corvane::ShowWeekAndTimeSlot()
{
    // The day name follows the interface language, not the machine's locale.
    const QLocale locale(pLanguageManage->CurrentLanguage() == LanguageManage::English ? QLocale::English
                                                                                       : QLocale::Chinese);
    const QString now = locale.toString(QDateTime::currentDateTime(), QStringLiteral("yyyy-MM-dd hh:mm:ss ddd"));
    const QString time = now.mid(11, 8);
    const QString weekday = now.mid(20, 3);
    ui.labelCurrentTime->setText(QStringLiteral("%1 %2").arg(weekday, time));
}

void Corvane::on_pBnSwitchLanguage_clicked()
{
    pLanguageManage->SwitchLanguage(pLanguageManage->CurrentLanguage() != LanguageManage::English
                                        ? LanguageManage::English
                                        : LanguageManage::Chinese);
}

void Corvane::reTranslateUI()
{
    hashIncidentName.clear();
    hashIncidentIcon.clear();
    BuildIncidentTypeTables();
    ui.topSliderNavigation->clearItem();
    ui.topSliderNavigation->addItem(tr("视频预览"));
    ui.topSliderNavigation->addItem(tr("综合查询"));
    ui.topSliderNavigation->setCurrentIndex(0);
    ui.pBnSwitchLanguage->setText(tr("中文"));
    ui.retranslateUi(this);
    // The form puts back its placeholder; the clock should not wait a second.
    ShowWeekAndTimeSlot();
    emit signalReTranslateUI();
}

// ---- Dialogs and tools ----

void Corvane::on_qIconPtnAbout_clicked()
{
    AboutDialog about(strVersion);
    about.exec();
}

void Corvane::on_qIconPtnSet_clicked()
{
    // Built once and kept: later clicks show the same dialog again.
    if (!pConfigDialog) {
        pConfigDialog = new ConfigDialog(this);
        connect(pConfigDialog, &ConfigDialog::SigOpenIllegalRecord, this, &Corvane::OpenIllegalRecordSlot);
        connect(pLanguageManage, &LanguageManage::languageChangeSig, pConfigDialog, &ConfigDialog::reTranslateUI);
        connect(pConfigDialog, &ConfigDialog::SigStreamTypeChange, this, [this](int streamType) {
            if (streamType == 0)
                ShowSplitScreenSLot(tr("4分屏")); // layouts are named in the interface language
        });
    }
    pConfigDialog->exec();
    if (ImplementInstance::GetInstance())
        ReadClipSettings();
}

void Corvane::on_qIconPBQuickSet_clicked()
{
    QuickSetDialog quickSet;
    quickSet.exec();
}

void Corvane::on_pBtnVlc_clicked()
{
    externalProcessManage.StartProcess(ExternalProcessManage::PlayerPath());
}

void Corvane::ErrMsgSlot(QString msg)
{
    QPromptWidget::ShowPrompt(QPromptWidget::Fail, msg, this, 3000);
}

// ---- Device tree: the slots forward to the tree's controller ----

void Corvane::ConnectDeviceTree()
{
    TreeViewDelegate* delegate = deviceTree->Delegate();
    HintListWidget* hints = deviceTree->HintList();
    connect(delegate, &TreeViewDelegate::playSig, this, &Corvane::PlaySlot);
    connect(delegate, &TreeViewDelegate::closeSig, this, &Corvane::ClosePlaySlot);
    connect(delegate, &TreeViewDelegate::editSig, this, &Corvane::EditSlot);
    connect(delegate, &TreeViewDelegate::refreshSig, this, &Corvane::RefreshSlot);
    connect(ui.lineEditSreachBox, &QSreachBox::searchTriggered, this, &Corvane::SearchDeviceSlot);
    connect(ui.lineEditSreachBox, &QSreachBox::searchClear, this, &Corvane::ClearSearchInfo);
    connect(ui.lineEditSreachBox, &QLineEdit::textChanged, this, &Corvane::FlushListWidget);
    connect(hints, &QListWidget::clicked, this, &Corvane::ClickedListWidget);
    connect(hints, &HintListWidget::SelectedSig, this, &Corvane::ChangeListWidgetText);
    connect(deviceTree, &DeviceTreeController::AddDialogMade, this, &Corvane::ConnectAddDialog);
    // The pass's thread emits; the window's signal hands the result over, blocking.
    connect(deviceTree, &DeviceTreeController::LoginPassFinished, this, &Corvane::DeviceLoginFinishedSig,
            Qt::DirectConnection);
}

void Corvane::ConnectAddDialog(AddDeviceDlg* dialog)
{
    connect(dialog, &AddDeviceDlg::AddContinueSig, this, &Corvane::AddDeviceContinueSlot);
    connect(dialog, &AddDeviceDlg::AddDeviceSig, this, &Corvane::AddDeviceSlot);
}

void Corvane::on_qIconPBtnAddDevice_clicked()
{
    deviceTree->ShowAddDialog();
}

void Corvane::on_qIconPBtnDelDevice_clicked()
{
    deviceTree->DeleteSelected();
}

void Corvane::AddDeviceSlot(bool)
{
    deviceTree->AcceptDialog();
}

void Corvane::AddDeviceContinueSlot()
{
    deviceTree->AcceptDialogAndContinue();
}

void Corvane::EditSlot(const QModelIndex& index)
{
    deviceTree->Edit(index);
}

void Corvane::RefreshSlot(const QModelIndex& index)
{
    deviceTree->Refresh(index);
}

void Corvane::on_qIconPbtnRefresh_clicked()
{
    deviceTree->RefreshAll();
}

void Corvane::DeviceLoginFinishedSlot(QString strMsg)
{
    deviceTree->ShowLoginPassResult(strMsg);
}

void Corvane::DeviceStateSlot(long lUserId, bool bState)
{
    deviceTree->ShowDeviceState(lUserId, bState);
}

void Corvane::SearchDeviceSlot(QString text)
{
    deviceTree->Search(text);
}

void Corvane::ClearSearchInfo()
{
    deviceTree->ClearSearch();
}

void Corvane::FlushListWidget(const QString& text)
{
    deviceTree->ShowSearchHints(text);
}

void Corvane::ClickedListWidget(const QModelIndex& index)
{
    deviceTree->TakeSearchHint(index);
}

void Corvane::ChangeListWidgetText(QString text)
{
    deviceTree->TakeSearchHintText(text);
}

// ---- Live video: the slots forward to the grid's controller ----

void Corvane::ConnectPreview()
{
    // Same thread, so the tree's row is still there while the pane stops.
    connect(deviceTree, &DeviceTreeController::ClosePlayRequested, preview, &PreviewController::ClosePlay,
            Qt::DirectConnection);
    connect(deviceTree, &DeviceTreeController::CloseRetiredChannelRequested, preview,
            &PreviewController::CloseRetiredChannel, Qt::DirectConnection);
    connect(deviceTree, &DeviceTreeController::CloseAllRequested, preview, &PreviewController::CloseAll,
            Qt::DirectConnection);
    connect(preview, &PreviewController::TipClicked, this, &Corvane::TimesSlot);
}

void Corvane::PlaySlot(const QModelIndex& index)
{
    preview->Play(index);
}

void Corvane::ClosePlaySlot(const QModelIndex& index)
{
    preview->ClosePlay(index);
}

void Corvane::TreeDoubleClickedSlot(const QModelIndex& index)
{
    preview->PlayDoubleClicked(index);
}

void Corvane::on_qIconPBtnPlayAll_clicked()
{
    preview->FirstPage();
}

void Corvane::on_qIconPBtnCloseAll_clicked()
{
    preview->CloseAll();
}

void Corvane::on_picBtnFirstPage_clicked()
{
    preview->FirstPage();
}

void Corvane::on_picBtnPrePage_clicked()
{
    preview->PreviousPage();
}

void Corvane::on_picBtnNextPage_clicked()
{
    preview->NextPage();
}

void Corvane::on_picBtnLastPage_clicked()
{
    preview->LastPage();
}

void Corvane::on_pictureBtnSplitScreen_clicked()
{
    preview->ToggleLayoutChooser();
}

void Corvane::ShowSplitScreenSLot(QString text)
{
    preview->ShowLayout(text);
}

void Corvane::on_qIconPBtnExpandScreen_clicked()
{
    preview->ExpandScreen();
}

void Corvane::on_treeViewDevice_clicked(const QModelIndex& index)
{
    preview->RememberRecordingCamera(index);
}

void Corvane::OpenIllegalRecordSlot(int state)
{
    preview->SwitchRecording(state);
}

void Corvane::ChannelPreviewStateSlot(bool bPreviewSuccess, QString text)
{
    QPromptWidget::ShowPrompt(bPreviewSuccess ? QPromptWidget::Succ : QPromptWidget::Fail, text, this, 3000);
}

void Corvane::TimesSlot()
{
}
