#include "SearchFrame.h"

#include "SearchPageManage.h"
#include "SearchRun.h"
#include "TrafficParamExport.h"
#include "VideoDetailInfoDialog.h"
#include "VideoManager.h"

#include "core/DeviceTime.h"
#include "data/ImplementInstance.h"
#include "core/IncidentVocabulary.h"
#include "core/Logging.h"
#include "dialogs/DefaultNoDataPic.h"
#include "dialogs/QCustomTableWidget.h"
#include "dialogs/QPictureFrame.h"
#include "dialogs/QPromptWidget.h"

#include "ui_SearchFrame.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QListWidgetItem>
#include <QRegExpValidator>
#include <QSet>
#include <QThread>

#include <algorithm>

namespace {

constexpr int kToastMs = 3000;
constexpr Qt::Alignment kCellAlignment = Qt::AlignHCenter | Qt::AlignVCenter;

// A lane number has at most three digits; more would not fit the devices' lane
// field and, past nine digits, would not even parse as an int.
const QString kLanePattern = QStringLiteral("[0-9]{1,3}");
// Refuses blanks and ASCII and full-width punctuation in a plate.
const QString kPlatePattern =
    QStringLiteral("^[^\"^\\[^\\]^`^(^)^{^}^-^ ^:^'^：^*^?^＊^？^<^>^|^/^%^\\\\^&^“^”^~^!^@^#^$^;^,^.^-^=^_^+]+$");

quintptr CurrentThreadId()
{
    return reinterpret_cast<quintptr>(QThread::currentThreadId());
}

QString Utf8(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

SearchFrame::SearchFrame(QWidget* parent)
    : QFrame(parent), ui(std::make_unique<Ui::SearchFrame>()), busyDialog(this), exportDialog(this)
{
    RegisterSharedRecordTypes();
    ui->setupUi(this);
    InitUI();
    InitTypeTable();
    InitVideo();
    ConnectSignals();
    // The main window's destructor closes the database after the event loop
    // ends, before its children go: no search may still be reading by then.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &SearchFrame::StopSearches,
            Qt::DirectConnection);
}

SearchFrame::~SearchFrame()
{
    StopSearches();
    previewTimer.stop();
    detailDialog.reset();
    if (videoManager)
        videoManager->FreeMavroPort(previewPort);
}

void SearchFrame::StopSearches()
{
    workers.Cancel();
}

void SearchFrame::InitUI()
{
    ui->pBtnViolationNoLimit->setFixedWidth(100);
    ui->qSimpleSliderNavigation->setCurrentIndex(0);
    InitTables();
    ui->comIncidentDevIp->setCurrentIndex(0);
    ui->comIncidentChannel->setCurrentIndex(0);
    CheckAllTypes(ui->frameIncidentType);
    CheckAllTypes(ui->qframeViolationType);
    ui->labelPic->setPixmap(QPixmap(QStringLiteral(":images/default/noPic.png")));
    ui->labelViolationPic->setPixmap(QPixmap(QStringLiteral(":images/default/noPic.png")));
    ui->labelVideo->setPixmap(QPixmap(QStringLiteral(":images/default/noVideo.png")));
    ui->labelViolationVideo->setPixmap(QPixmap(QStringLiteral(":images/default/noVideo.png")));
    InitValidators();
    reTranslateUI();
    ui->frameVideo->installEventFilter(this);
}

void SearchFrame::InitTables()
{
    for (QCustomTableWidget* table : {ui->tableWidgetIncident, ui->tableWidgetViolation, ui->tableWidgetTrafficParam}) {
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table->setShowGrid(false);
        table->setFocusPolicy(Qt::NoFocus);
        table->verticalHeader()->setVisible(false);
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        table->setSelectionMode(QAbstractItemView::SingleSelection);
        table->setAlternatingRowColors(true);
        table->horizontalHeader()->setMinimumHeight(32);
    }
    ui->tableWidgetIncident->setFirstColCheckable(false);
    ui->tableWidgetViolation->setFirstColCheckable(false);

    QHeaderView* incident = ui->tableWidgetIncident->horizontalHeader();
    incident->setSectionResizeMode(QHeaderView::Stretch);
    incident->setStretchLastSection(true);

    QCustomTableWidget* violationTable = ui->tableWidgetViolation;
    violationTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QHeaderView* violation = violationTable->horizontalHeader();
    violation->setMinimumWidth(150);
    violation->setSectionResizeMode(QHeaderView::Stretch);
    violation->setSectionResizeMode(1, QHeaderView::Interactive);
    violation->resizeSection(1, 140);
    violation->resizeSection(6, 200);
    violation->resizeSection(7, 140);

    QHeaderView* traffic = ui->tableWidgetTrafficParam->horizontalHeader();
    traffic->setSectionResizeMode(0, QHeaderView::Fixed);
    for (int column = 1; column <= 15; ++column)
        traffic->setSectionResizeMode(column, QHeaderView::Interactive);
    traffic->setSectionResizeMode(16, QHeaderView::Stretch);
    const int widths[] = {25, 80, 140, 140, 110, 110};
    for (int column = 0; column < 6; ++column)
        traffic->resizeSection(column, widths[column]);
    for (int column = 6; column <= 14; ++column)
        traffic->resizeSection(column, 120);
    ui->tableWidgetTrafficParam->setStyleSheet(QStringLiteral("border-right: 1px solid #F1F1F6;"));
}

void SearchFrame::InitValidators()
{
    for (QLineEdit* lane : {ui->lineEditIncidentLaneNo, ui->lineEditViolationLaneNo, ui->lineEditTrafficParamLaneNo})
        lane->setValidator(new QRegExpValidator(QRegExp(kLanePattern), this));
    ui->lineEditPlateNo->setValidator(new QRegExpValidator(QRegExp(kPlatePattern), this));
}

void SearchFrame::InitTypeTable()
{
    incidentTypeTable.clear();
    // Keys are the check boxes' texts in the current language.
    const std::pair<const char*, int> incidents[] = {{QT_TR_NOOP("拥堵"), Congestion},
                                                     {QT_TR_NOOP("违停"), IllegallyPark},
                                                     {QT_TR_NOOP("逆行"), WrongWayDriving},
                                                     {QT_TR_NOOP("行人"), Pedestrian},
                                                     {QT_TR_NOOP("抛撒物"), ObjectsDroppedDown},
                                                     {QT_TR_NOOP("烟雾"), Smog},
                                                     {QT_TR_NOOP("压线"), LinePressing},
                                                     {QT_TR_NOOP("低速行驶"), LowSpeed},
                                                     {QT_TR_NOOP("变道"), ChangeLane},
                                                     {QT_TR_NOOP("掉头"), TurnRound},
                                                     {QT_TR_NOOP("机占非"), VehicleViolation},
                                                     {QT_TR_NOOP("加塞"), QueueJumping},
                                                     {QT_TR_NOOP("路障"), RoadBlock},
                                                     {QT_TR_NOOP("施工"), Construction},
                                                     {QT_TR_NOOP("事故"), Accident},
                                                     {QT_TR_NOOP("能见度"), Visibility},
                                                     {QT_TR_NOOP("火灾"), Fire}};
    for (const auto& [name, code] : incidents)
        incidentTypeTable.insert(tr(name), code);
    forensicsTypeTable.clear();
    const std::pair<const char*, int> forensics[] = {{QT_TR_NOOP("违停"), 1039},
                                                     {QT_TR_NOOP("逆行"), 1301},
                                                     {QT_TR_NOOP("机占非"), 1018},
                                                     {QT_TR_NOOP("掉头"), 1044},
                                                     {QT_TR_NOOP("低速行驶"), 260}};
    for (const auto& [name, code] : forensics)
        forensicsTypeTable.insert(tr(name), code);
}

void SearchFrame::ConnectSignals()
{
    connect(&exportDialog, &ExportDialog::ExportTrafficParamSig, this, &SearchFrame::ExportTrafficParamSlot,
            Qt::AutoConnection);
    connect(this, &SearchFrame::ExportTrafficParamFinishedSig, this, &SearchFrame::ExportTrafficParamFinishedSlot,
            Qt::QueuedConnection);
    connect(this, &SearchFrame::ExportTrafficParamFailedSig, this, &SearchFrame::ExportTrafficParamFailedSlot,
            Qt::QueuedConnection);
    connect(this, &SearchFrame::SetIncidentTotalNumSig, ui->widgetIncidentPage,
            &SearchPageManage::SetSearchPageManageSlot, Qt::AutoConnection);
    connect(this, &SearchFrame::SetViolationTotalNumSig, ui->widgetViolationPage,
            &SearchPageManage::SetSearchPageManageSlot, Qt::AutoConnection);
    connect(this, &SearchFrame::SetTrafficParamTotalNumSig, ui->widgetTrafficParamPage,
            &SearchPageManage::SetSearchPageManageSlot, Qt::AutoConnection);
    connect(ui->widgetIncidentPage, &SearchPageManage::SetSearchIndexNumSig, this, &SearchFrame::StartIncidentSearch,
            Qt::AutoConnection);
    connect(ui->widgetViolationPage, &SearchPageManage::SetSearchIndexNumSig, this, &SearchFrame::StartForensicsSearch,
            Qt::AutoConnection);
    connect(ui->widgetTrafficParamPage, &SearchPageManage::SetSearchIndexNumSig, this,
            &SearchFrame::StartTrafficParamSearch, Qt::AutoConnection);
    connect(this, &SearchFrame::RefreshIncidentPage, ui->widgetIncidentPage, &SearchPageManage::RefreshPageSlot,
            Qt::AutoConnection);
    connect(this, &SearchFrame::RefreshViolationPage, ui->widgetViolationPage, &SearchPageManage::RefreshPageSlot,
            Qt::AutoConnection);
    connect(this, &SearchFrame::RefreshTrafficParamPage, ui->widgetTrafficParamPage, &SearchPageManage::RefreshPageSlot,
            Qt::AutoConnection);
    // The worker hands its page back through SearchWorkers, which waits as a
    // blocking queued call does; these signals are then emitted on the GUI thread.
    connect(this, &SearchFrame::SearchIncidentFinished, this,
            qOverload<QList<TrafficIncident>, int, int, bool>(&SearchFrame::ShowIncidentInfo), Qt::DirectConnection);
    connect(this, &SearchFrame::SearchForensicsFinished, this,
            qOverload<QList<TrafficForensics>, int, int, bool>(&SearchFrame::ShowForensicsInfo), Qt::DirectConnection);
    connect(this, &SearchFrame::SearchTrafficParamFinished, this,
            qOverload<QList<TrafficParam>, int, int, bool>(&SearchFrame::ShowTrafficParamInfo), Qt::DirectConnection);
    connect(this, &SearchFrame::SearchResultIsEmptySig, this, &SearchFrame::SearchResultIsEmptySlot,
            Qt::DirectConnection);
}

SearchFrame::TabWidgets SearchFrame::WidgetsOf(em_SearchType kind) const
{
    switch (kind) {
    case SEARCH_FORENSICS:
        return {ui->tableWidgetViolation,    ui->widgetViolationPage, ui->qViolateDateTime,
                ui->comViolationDevIp,       ui->comViolationChannel, ui->combTfsChanNo,
                ui->lineEditViolationLaneNo, ui->qframeViolationType};
    case SEARCH_TRAFFIC_PARAM:
        return {ui->tableWidgetTrafficParam,    ui->widgetTrafficParamPage,
                ui->qTrafficParamDateTime,      ui->comTrafficParamDevIp,
                ui->comTrafficParamChannelNo,   ui->combTpsChanNo,
                ui->lineEditTrafficParamLaneNo, nullptr};
    case SEARCH_INCIDENT: break;
    }
    return {ui->tableWidgetIncident, ui->widgetIncidentPage, ui->qIncidentDateTime,      ui->comIncidentDevIp,
            ui->comIncidentChannel,  ui->combIncidentChanNo, ui->lineEditIncidentLaneNo, ui->frameIncidentType};
}

std::optional<stu_SearchCondition> SearchFrame::ConditionOf(em_SearchType kind)
{
    const TabWidgets tab = WidgetsOf(kind);
    stu_SearchCondition condition = searchCondition;
    // The bound and count of the last search paged (maybe of another tab's
    // table) would hide the rows stored since from the new one.
    condition.rowIdBound = 0;
    condition.counted = -1;
    const QString lane = tab.lane->text();
    bool laneValid = true;
    condition.laneNo = lane.isEmpty() ? -1 : lane.toInt(&laneValid);
    if (!lane.isEmpty() && (!laneValid || condition.laneNo < 0)) {
        // Searching a lane that is not one would quietly search lane 0 or every lane.
        QPromptWidget::ShowPrompt(QPromptWidget::Fail, tr("车道号只能是1到3位数字，请重新输入"), this, kToastMs);
        return std::nullopt;
    }
    QDateTime begin;
    QDateTime end;
    tab.period->getDateTime(begin, end);
    condition.startTime = begin.toString(QStringLiteral("yyyyMMddHHmmsszzz")).toStdString();
    condition.endTime = end.toString(QStringLiteral("yyyyMMddHHmmsszzz")).toStdString();
    condition.deviceIp = tab.device->currentIndex() == 0 ? std::string() : tab.device->currentText().toStdString();
    condition.channelIp = tab.channel->currentIndex() == 0 ? std::string() : tab.channel->currentText().toStdString();
    condition.channelNo = tab.channelNo->currentText().toInt(); // "全部" gives 0, any channel
    // Every type ticked needs no type condition, which would keep the search
    // from walking the time index in order.
    if (kind != SEARCH_TRAFFIC_PARAM && !AllTypesChecked(kind))
        condition.types = CheckedTypes(kind);
    if (kind == SEARCH_FORENSICS)
        condition.plateNo = ui->lineEditPlateNo->text().toStdString();
    return condition;
}

bool SearchFrame::AllTypesChecked(em_SearchType kind) const
{
    const QList<QCheckBox*> boxes = WidgetsOf(kind).typeFrame->findChildren<QCheckBox*>();
    return !boxes.isEmpty() && std::all_of(boxes.cbegin(), boxes.cend(),
                                           [](const QCheckBox* box) { return box->checkState() == Qt::Checked; });
}

QList<quint32> SearchFrame::CheckedTypes(em_SearchType kind) const
{
    QList<quint32> types;
    const TabWidgets tab = WidgetsOf(kind);
    for (const QCheckBox* box : tab.typeFrame->findChildren<QCheckBox*>()) {
        if (box->checkState() != Qt::Checked)
            continue;
        const QString text = box->text();
        if (kind == SEARCH_INCIDENT) {
            types << incidentTypeTable.value(text);
        } else if (text == tr("压线")) {
            types << 12301 << 13451;
        } else if (text == tr("变道")) {
            types << 12303 << 13453;
        } else {
            types << forensicsTypeTable.value(text);
        }
    }
    return types;
}

void SearchFrame::CheckAllTypes(QWidget* typeFrame)
{
    for (QCheckBox* box : typeFrame->findChildren<QCheckBox*>())
        box->setChecked(true);
}

void SearchFrame::on_pBtnIncidentSearch_clicked()
{
    LoggerFor("Corvane")->info("{}, searching incident now..threadId:{}", "SearchFrame::on_pBtnIncidentSearch_clicked",
                               CurrentThreadId());
    SearchButtonClicked(SEARCH_INCIDENT);
}

void SearchFrame::on_pBtnViolationSearch_clicked()
{
    LoggerFor("Corvane")->info("{}, searching Violation now..", "SearchFrame::on_pBtnViolationSearch_clicked");
    SearchButtonClicked(SEARCH_FORENSICS);
}

void SearchFrame::on_pBtnTrafficParamSearch_clicked()
{
    LoggerFor("Corvane")->info("{}, searching trafficParam now..", "SearchFrame::on_pBtnTrafficParamSearch_clicked");
    SearchButtonClicked(SEARCH_TRAFFIC_PARAM);
}

void SearchFrame::SearchButtonClicked(em_SearchType kind)
{
    // A refused condition leaves the table and the paging bar as they were.
    if (!ConditionOf(kind))
        return;
    switch (kind) {
    case SEARCH_INCIDENT: emit RefreshIncidentPage(); break;
    case SEARCH_FORENSICS: emit RefreshViolationPage(); break;
    case SEARCH_TRAFFIC_PARAM: emit RefreshTrafficParamPage(); break;
    }
    StartSearch(kind, 0, true);
}

void SearchFrame::StartIncidentSearch(int nIndex, bool bFirst)
{
    StartSearch(SEARCH_INCIDENT, nIndex, bFirst);
}

void SearchFrame::StartForensicsSearch(int nIndex, bool bFirst)
{
    StartSearch(SEARCH_FORENSICS, nIndex, bFirst);
}

void SearchFrame::StartTrafficParamSearch(int nIndex, bool bFirst)
{
    StartSearch(SEARCH_TRAFFIC_PARAM, nIndex, bFirst);
}

void SearchFrame::StartSearch(em_SearchType kind, int nIndex, bool bFirst)
{
    TabSearch& search = tabSearches[kind];
    // A page step shows another page of the search whose rows were counted, not
    // of whatever the fields hold now.
    if (bFirst || !search.started) {
        const std::optional<stu_SearchCondition> condition = ConditionOf(kind);
        if (!condition)
            return;
        search = TabSearch{true, *condition, -1};
    }
    searchCondition = search.condition;
    QCustomTableWidget* table = WidgetsOf(kind).table;
    table->clearContents();
    table->setRowCount(0);
    if (kind == SEARCH_TRAFFIC_PARAM)
        trafficParamResults.clear();
    ShowBusy();

    SearchRequest request;
    request.kind = kind;
    request.offset = nIndex;
    request.first = bFirst;
    request.sequence = workers.Begin(kind);
    request.knownTotal = bFirst ? -1 : search.total;
    request.condition = search.condition;
    workers.Start([this, request] { SearchThreadFun(request); });
}

void SearchFrame::SearchThreadFun(const SearchRequest& request)
{
    LoggerFor("SearchFrame")->info("{}, threadId:{}", "SearchFrame::SearchThreadFun", CurrentThreadId());
    std::optional<SearchOutcome> outcome = SearchOutcome{};
    if (ImplementInstance* instance = ImplementInstance::GetInstance()) {
        outcome = RunSearch(*instance->GetDatabase(), request, [this, &request] {
            return !workers.IsCancelled() && workers.IsLatest(request.kind, request.sequence);
        });
    }
    if (!outcome)
        return;
    workers.HandBack(this, [this, request, result = std::move(*outcome)] { AcceptOutcome(request, result); });
}

void SearchFrame::AcceptOutcome(const SearchRequest& request, const SearchOutcome& outcome)
{
    // A newer search of the tab started meanwhile: its result is the one to show.
    if (!workers.IsLatest(request.kind, request.sequence))
        return;
    TabSearch& search = tabSearches[request.kind];
    if (request.first && outcome.status != SearchOutcome::CountFailed && outcome.status != SearchOutcome::NoDatabase) {
        search.total = outcome.total;
        search.condition.rowIdBound = outcome.rowIdBound;
        search.condition.counted = outcome.total;
    }
    switch (outcome.status) {
    case SearchOutcome::Rows:
        switch (request.kind) {
        case SEARCH_INCIDENT:
            emit SearchIncidentFinished(outcome.incidents, outcome.total, outcome.pages, request.first);
            break;
        case SEARCH_FORENSICS:
            emit SearchForensicsFinished(outcome.forensics, outcome.total, outcome.pages, request.first);
            break;
        case SEARCH_TRAFFIC_PARAM:
            emit SearchTrafficParamFinished(outcome.trafficParams, outcome.total, outcome.pages, request.first);
            break;
        }
        break;
    case SearchOutcome::Empty: emit SearchResultIsEmptySig(tr("在查询条件内，无数据！")); break;
    case SearchOutcome::CountFailed: emit SearchResultIsEmptySig(tr("Search failed!")); break;
    case SearchOutcome::FetchFailed:
    case SearchOutcome::NoDatabase:
        // Logged by the worker; the operator sees the empty table.
        busyDialog.close();
        break;
    }
}

void SearchFrame::ShowBusy()
{
    const QPoint centre = mapToGlobal(rect().center());
    busyDialog.move(centre - QPoint(busyDialog.width() / 2, busyDialog.height() / 2));
    busyDialog.show();
}

void SearchFrame::SearchResultIsEmptySlot(QString strMsg)
{
    busyDialog.close();
    QPromptWidget::ShowPrompt(QPromptWidget::Tips, strMsg, this, kToastMs);
    UpdatePosSlot();
}

bool SearchFrame::BeginFill(QCustomTableWidget* table, int rows)
{
    table->setRowCount(rows);
    if (rows > 0 && noDataPic)
        noDataPic->close();
    return rows > 0;
}

void SearchFrame::SetCell(QCustomTableWidget* table, int row, int column, const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(kCellAlignment);
    table->setItem(row, column, item);
}

void SearchFrame::ShowIncidentInfo(QList<TrafficIncident> qlistTrafficIncident, int nTotalNum, int nPage, bool bFirst)
{
    LoggerFor("SearchFrame")->info("{}, threadId:{}", "SearchFrame::ShowIncidentInfo", CurrentThreadId());
    busyDialog.close();
    if (bFirst)
        emit SetIncidentTotalNumSig(nTotalNum, nPage, 1);
    QCustomTableWidget* table = ui->tableWidgetIncident;
    if (!BeginFill(table, qlistTrafficIncident.size()))
        return;
    for (int row = 0; row < qlistTrafficIncident.size(); ++row) {
        const TrafficIncident& incident = qlistTrafficIncident.at(row);
        SetCell(table, row, 0, QString::number(incident.rowNo));
        table->item(row, 0)->setData(Qt::UserRole, incident.picPath);
        table->item(row, 0)->setData(Qt::UserRole + 1, incident.videoPath);
        SetCell(table, row, 1, FormatCompactTime(incident.time));
        SetCell(table, row, 2, Utf8(IncidentTypeName(incident.incidentType)));
        SetCell(table, row, 3, incident.deviceIp);
        SetCell(table, row, 4, incident.channelIp);
        SetCell(table, row, 5, QString::number(incident.laneNo));
    }
    table->setCurrentCell(0, 0);
    on_tableWidgetIncident_itemSelectionChanged();
}

void SearchFrame::ShowForensicsInfo(QList<TrafficForensics> qlistTrafficForensics, int nTotalNum, int nPage,
                                    bool bFirst)
{
    busyDialog.close();
    if (bFirst)
        emit SetViolationTotalNumSig(nTotalNum, nPage, 1);
    QCustomTableWidget* table = ui->tableWidgetViolation;
    if (!BeginFill(table, qlistTrafficForensics.size()))
        return;
    for (int row = 0; row < qlistTrafficForensics.size(); ++row) {
        const TrafficForensics& record = qlistTrafficForensics.at(row);
        SetCell(table, row, 0, QString::number(record.rowNo));
        table->item(row, 0)->setData(Qt::UserRole, record.picPath);
        SetCell(table, row, 1, FormatCompactTime(record.time));
        SetCell(table, row, 2, Utf8(ViolationTypeName(record.violationType)));
        SetCell(table, row, 3, record.deviceIp);
        SetCell(table, row, 4, record.channelIp);
        SetCell(table, row, 5, QString::number(record.laneNo));
        SetCell(table, row, 6, record.plateNo == QStringLiteral("无车牌") ? tr("无车牌") : record.plateNo);
        SetCell(table, row, 7, record.picPath.isEmpty() ? tr("否") : tr("是"));
    }
    table->setCurrentCell(0, 0);
    on_tableWidgetViolation_itemSelectionChanged();
}

void SearchFrame::ShowTrafficParamInfo(QList<TrafficParam> qlistTrafficParam, int nTotalNum, int nPage, bool bFirst)
{
    busyDialog.close();
    if (bFirst)
        emit SetTrafficParamTotalNumSig(nTotalNum, nPage, 1);
    trafficParamResults = qlistTrafficParam;
    QCustomTableWidget* table = ui->tableWidgetTrafficParam;
    if (!BeginFill(table, qlistTrafficParam.size()))
        return;
    for (int row = 0; row < qlistTrafficParam.size(); ++row) {
        const TrafficParam& param = qlistTrafficParam.at(row);
        auto* check = new QTableWidgetItem();
        check->setCheckState(Qt::Unchecked);
        check->setData(Qt::UserRole, param.rowNo);
        table->setItem(row, 0, check);
        const QStringList cells = TrafficParamExport::FieldsOf(param);
        for (int column = 1; column <= 16; ++column)
            SetCell(table, row, column, cells[column - 1]);
    }
    table->setCurrentCell(0, 0);
}

void SearchFrame::TrafficParamTableSelectSlot(bool bChecked)
{
    QCustomTableWidget* table = ui->tableWidgetTrafficParam;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (QTableWidgetItem* item = table->item(row, 0))
            item->setCheckState(bChecked ? Qt::Checked : Qt::Unchecked);
    }
}

void SearchFrame::CreateDetailDialog()
{
    detailDialog = std::make_unique<VideoDetailInfoDialog>();
    connect(detailDialog.get(), &QDialog::finished, this, &SearchFrame::videoReplay, Qt::AutoConnection);
}

void SearchFrame::InitVideo()
{
    CreateDetailDialog();
    videoManager = VideoManager::GetInstance();
    if (videoManager)
        videoManager->GetMavroPort(previewPort);
    previewTimer.setSingleShot(true);
    connect(&previewTimer, &QTimer::timeout, this, &SearchFrame::videoTimeout, Qt::AutoConnection);
}

void SearchFrame::on_tableWidgetIncident_itemSelectionChanged()
{
    QCustomTableWidget* table = ui->tableWidgetIncident;
    const int row = table->currentRow();
    if (row < 0 || table->rowCount() == 0 || !table->item(row, 0))
        return;
    const QTableWidgetItem* first = table->item(row, 0);
    const QString picture = first->data(Qt::UserRole).toString();
    const bool pictureFound = QFileInfo::exists(picture);
    ui->framePic->setImage(picture, false);
    ui->labelPic->setVisible(!pictureFound);
    ui->labelTip->setVisible(!pictureFound);
    // A picture that is there is no error; one that is gone is.
    LoggerFor("SearchFrame")
        ->log(pictureFound ? spdlog::level::info : spdlog::level::err,
              fmt::runtime(pictureFound ? "{}, {} 图片存在" : "{}, {} 图片不存在"),
              "SearchFrame::on_tableWidgetIncident_itemSelectionChanged", picture.toStdString());
    if (previewTimer.isActive())
        previewTimer.stop();
    if (videoManager)
        PreviewClip(first->data(Qt::UserRole + 1).toString());
    ui->labelIndex->setText(tr("序号：") + first->text());
    ui->labelType->setText(table->item(row, 2) ? table->item(row, 2)->text() : QString());
    ui->labelIncidentCapTime->setText(table->item(row, 1) ? table->item(row, 1)->text() : QString());
}

void SearchFrame::PreviewClip(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        ShowNoClip();
        return;
    }
    // A clip the player cannot open, or one with no length, would loop through
    // a timer of no interval and keep the GUI thread busy: it has no clip to show.
    int seconds = 0;
    if (videoManager->SetVideoFile(previewPort, path))
        seconds = videoManager->GetFileTime(previewPort);
    if (seconds <= 0 || !videoManager->StartVideoPlay(previewPort, ui->frameVideo->winId())) {
        ShowNoClip();
        return;
    }
    ui->frameVideo->setProperty("play", true);
    ui->frameVideo->setProperty("time", seconds);
    ui->labelVideo->hide();
    ui->labelVideoTip->hide();
    previewTimer.start(seconds * 1000);
}

void SearchFrame::ShowNoClip()
{
    if (videoManager->HasVideoFile(previewPort)) {
        videoManager->StopVideoPlay(previewPort);
        videoManager->SetVideoFile(previewPort, QString());
    }
    ui->frameVideo->setProperty("play", false);
    ui->frameVideo->setProperty("time", 0);
    ui->labelVideo->show();
    ui->labelVideoTip->show();
}

void SearchFrame::on_tableWidgetViolation_itemSelectionChanged()
{
    QCustomTableWidget* table = ui->tableWidgetViolation;
    const int row = table->currentRow();
    if (row < 0 || table->rowCount() == 0 || !table->item(row, 0))
        return;
    const QString picture = table->item(row, 0)->data(Qt::UserRole).toString();
    const bool pictureFound = QFileInfo::exists(picture);
    ui->frameViolationPic->setImage(picture, false);
    ui->labelViolationPic->setVisible(!pictureFound);
    ui->labelViolationTip->setVisible(!pictureFound);
    ui->labelViolationIndex->setText(tr("序号：") + table->item(row, 0)->text());
    ui->labelVioType->setText(table->item(row, 2) ? table->item(row, 2)->text() : QString());
    ui->labelVioTime->setText(table->item(row, 1) ? table->item(row, 1)->text() : QString());
}

void SearchFrame::videoTimeout()
{
    if (!videoManager)
        return;
    videoManager->StopVideoPlay(previewPort);
    const int seconds = ui->frameVideo->property("time").toInt();
    if (ui->frameVideo->property("play").toBool() && seconds > 0 &&
        videoManager->StartVideoPlay(previewPort, ui->frameVideo->winId()))
        previewTimer.start(seconds * 1000);
}

void SearchFrame::slotFileEnd(long lPort)
{
    if (lPort != previewPort || !videoManager)
        return;
    videoManager->StopVideoPlay(previewPort);
    if (ui->frameVideo->property("play").toBool())
        videoManager->StartVideoPlay(previewPort, ui->frameVideo->winId());
}

void SearchFrame::videoReplay()
{
    if (!videoManager || !ui->frameVideo->property("play").toBool())
        return;
    videoManager->PauseVideoPlay(previewPort, false);
    const int left = videoManager->GetLeftTime(previewPort);
    if (left > 0)
        previewTimer.start(left * 1000);
    else
        videoTimeout(); // the pass had ended: start the next one now
}

bool SearchFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->frameVideo && event->type() == QEvent::MouseButtonDblClick &&
        ui->frameVideo->property("play").toBool())
        OpenDetailDialog();
    return QObject::eventFilter(watched, event);
}

void SearchFrame::OpenDetailDialog()
{
    if (!detailDialog)
        CreateDetailDialog();
    if (videoManager) {
        videoManager->PauseVideoPlay(previewPort, true);
        detailDialog->OpenVideo(videoManager->GetVideoFile(previewPort));
    }
    if (previewTimer.isActive())
        previewTimer.stop();
    detailDialog->exec();
}

void SearchFrame::on_pBtnIncidentNoLimit_clicked()
{
    CheckAllTypes(ui->frameIncidentType);
}

void SearchFrame::on_pBtnViolationNoLimit_clicked()
{
    CheckAllTypes(ui->qframeViolationType);
}

void SearchFrame::on_pBtnIncidentReset_clicked()
{
    ui->comIncidentDevIp->setCurrentIndex(0);
    ui->comIncidentChannel->setCurrentIndex(0);
    ui->lineEditIncidentLaneNo->clear();
    CheckAllTypes(ui->frameIncidentType);
}

void SearchFrame::on_pBtnViolationReset_clicked()
{
    ui->comViolationDevIp->setCurrentIndex(0);
    ui->comViolationChannel->setCurrentIndex(0);
    ui->lineEditViolationLaneNo->clear();
    ui->lineEditPlateNo->clear();
    CheckAllTypes(ui->qframeViolationType);
}

void SearchFrame::InsertConditionSlot()
{
    QComboBox* devices[] = {ui->comIncidentDevIp, ui->comViolationDevIp, ui->comTrafficParamDevIp};
    for (QComboBox* combo : devices) {
        combo->clear();
        combo->addItem(tr("全部"));
        combo->setCurrentIndex(0);
    }
    ImplementInstance* instance = ImplementInstance::GetInstance();
    if (!instance)
        return;
    QStringList ips;
    if (!instance->GetDatabase()->GetAllDeviceIp(ips)) {
        LoggerFor("Corvane")->error("{}, 获取所有设备IP失败", "SearchFrame::InsertConditionSlot");
        return;
    }
    for (QComboBox* combo : devices)
        combo->addItems(ips);
    UpdatePosSlot();
}

void SearchFrame::ReloadChannels(QComboBox* device, QComboBox* channel, const char* method)
{
    ImplementInstance* instance = ImplementInstance::GetInstance();
    if (!instance)
        return;
    channel->clear();
    channel->addItem(tr("全部"));
    // "All devices" (the first entry) has no channels of its own to offer, and
    // it is chosen while the page is built, before the database is open.
    if (device->currentIndex() <= 0)
        return;
    const QString deviceIp = device->currentText();
    QStringList channelIps;
    if (!instance->GetDatabase()->GetChannelIpByDevIp(deviceIp, channelIps)) {
        LoggerFor("Corvane")->error("{}, get {} channel falied", method, deviceIp);
        return;
    }
    channel->addItems(channelIps);
}

void SearchFrame::on_comIncidentDevIp_currentIndexChanged(int)
{
    ReloadChannels(ui->comIncidentDevIp, ui->comIncidentChannel,
                   "SearchFrame::on_comIncidentDevIp_currentIndexChanged");
}

void SearchFrame::on_comViolationDevIp_currentIndexChanged(int)
{
    ReloadChannels(ui->comViolationDevIp, ui->comViolationChannel,
                   "SearchFrame::on_comViolationDevIp_currentIndexChanged");
}

void SearchFrame::on_comTrafficParamDevIp_currentIndexChanged(int)
{
    ReloadChannels(ui->comTrafficParamDevIp, ui->comTrafficParamChannelNo,
                   "SearchFrame::on_comTrafficParamDevIp_currentIndexChanged");
}

void SearchFrame::on_qSimpleSliderNavigation_currentChanged(int nIndex)
{
    currentTab = nIndex;
    UpdatePosSlot();
}

void SearchFrame::UpdatePosSlot()
{
    if (!noDataPic) {
        noDataPic = new DefaultNoDataPic(this);
        for (auto refresh : {&SearchFrame::RefreshIncidentPage, &SearchFrame::RefreshViolationPage,
                             &SearchFrame::RefreshTrafficParamPage})
            connect(this, refresh, noDataPic, &DefaultNoDataPic::reTranslateUI, Qt::AutoConnection);
    }
    if (noDataPic->isVisible())
        noDataPic->close();
    const em_SearchType kinds[] = {SEARCH_INCIDENT, SEARCH_FORENSICS, SEARCH_TRAFFIC_PARAM};
    QCustomTableWidget* table = WidgetsOf(kinds[qBound(0, currentTab, 2)]).table;
    if (table->rowCount() < 1) {
        const QPoint centre(table->width() / 2 - noDataPic->width() / 2, table->height() / 2 - noDataPic->height() / 2);
        noDataPic->move(table->mapTo(this, centre));
        noDataPic->show();
        noDataPic->raise();
    }
    emit reTranslateUiSig();
}

void SearchFrame::SetShortCutItemText(QListWidgetItem* item, const int& index)
{
    static const char* const texts[] = {QT_TR_NOOP("最近三天"), QT_TR_NOOP("最近一周"), QT_TR_NOOP("最近两周"),
                                        QT_TR_NOOP("最近三周"), QT_TR_NOOP("最近一月"), QT_TR_NOOP("最近两月"),
                                        QT_TR_NOOP("最近三月")};
    if (index >= 0 && index < 7)
        item->setText(tr(texts[index]));
}

void SearchFrame::reTranslateUI()
{
    InitTypeTable();
    for (QComboBox* combo : {ui->comIncidentDevIp, ui->comIncidentChannel, ui->comViolationDevIp,
                             ui->comViolationChannel, ui->comTrafficParamDevIp, ui->comTrafficParamChannelNo}) {
        combo->clear();
        combo->addItem(tr("全部"));
    }
    for (QRangeDateTimeEditWithPopup* period :
         {ui->qIncidentDateTime, ui->qViolateDateTime, ui->qTrafficParamDateTime}) {
        QList<QListWidgetItem*> items;
        period->getShortCutDateItem(items);
        for (int i = 0; i < items.size(); ++i)
            SetShortCutItemText(items.at(i), i);
    }
    ui->retranslateUi(this);
    for (SearchPageManage* pager : {ui->widgetIncidentPage, ui->widgetViolationPage, ui->widgetTrafficParamPage})
        pager->reTranslateUI();
    // The overlay may be up over an empty table while the language changes,
    // and the page's own dialogs keep their texts until shown again otherwise.
    if (noDataPic)
        noDataPic->reTranslateUI();
    exportDialog.reTranslateUI();
    busyDialog.SetTipText(tr("数据查询中，请稍后..."));
    if (detailDialog)
        detailDialog->reTranslateUI();
}

void SearchFrame::GetCheckedRowIds(QList<int>& ids) const
{
    const QCustomTableWidget* table = ui->tableWidgetTrafficParam;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem* item = table->item(row, 0);
        if (item && item->checkState() == Qt::Checked)
            ids.append(item->data(Qt::UserRole).toInt());
    }
}

void SearchFrame::on_pBtnTrafficParamExport_clicked()
{
    if (trafficParamResults.isEmpty()) {
        QPromptWidget::ShowPrompt(QPromptWidget::Tips, tr("当前无查询结果，将无法导出内容！"), this, kToastMs);
        return;
    }
    exportDialog.reTranslateUI();
    exportDialog.exec();
}

void SearchFrame::ExportTrafficParamSlot(QString strExportPath)
{
    // The worker gets copies taken here: the next search replaces the rows and
    // the table while it writes.
    QList<int> checkedIds;
    GetCheckedRowIds(checkedIds);
    const QList<TrafficParam> rows = trafficParamResults;
    // Shown only for an export that runs, and before it starts, so its end
    // always finds the indicator up and closes it; a cancel shows nothing.
    ShowBusy();
    workers.Start(
        [this, strExportPath, rows, checkedIds] { ExportTrafficParamThread(strExportPath, rows, checkedIds); });
}

void SearchFrame::ExportTrafficParamThread(const QString& path, const QList<TrafficParam>& rows,
                                           const QList<int>& checkedIds)
{
    const QSet<int> checked(checkedIds.begin(), checkedIds.end());
    const TrafficParamExport::Outcome outcome = TrafficParamExport::Append(path, rows, checked);
    if (outcome.ok)
        emit ExportTrafficParamFinishedSig(outcome.written, outcome.failed);
    else
        emit ExportTrafficParamFailedSig(outcome.written, outcome.failed, outcome.error);
}

void SearchFrame::ExportTrafficParamFinishedSlot(int nSucceedNums, int nFailedNums)
{
    EndExport(QPromptWidget::Tips, QStringLiteral("%1").arg(nSucceedNums) + tr("条导出成功") +
                                       QStringLiteral("%1").arg(nFailedNums) + tr("条导出失败"));
}

void SearchFrame::ExportTrafficParamFailedSlot(int nSucceedNums, int nFailedNums, QString strError)
{
    EndExport(QPromptWidget::Fail, tr("导出失败：") + QStringLiteral("%1").arg(nSucceedNums) + tr("条导出成功") +
                                       QStringLiteral("%1").arg(nFailedNums) + tr("条导出失败") + QStringLiteral(" (") +
                                       strError + QLatin1Char(')'));
}

void SearchFrame::EndExport(QPromptWidget::MsgType type, const QString& message)
{
    busyDialog.close();
    QPromptWidget::ShowPrompt(type, message, this, kToastMs);
    exportDialog.ClearExportPath();
}
