// The alarm road of the main window: the three alarm slots on the device
// SDK's listener thread, which forward to AlarmIntake, the hand-over of
// incidents to the live list and the prompt window on the GUI thread,
// speech, and the cleaning worker's loop.

#include "Corvane.h"
#include "AlarmIntake.h"
#include "DataCleaner.h"
#include "IncidentItem.h"
#include "IncidentPromptsDialog.h"
#include "IncidentSpeaker.h"
#include "MonitorLog.h"

#include "core/DeviceTime.h"
#include "data/ImplementInstance.h"

#include <QFileInfo>
#include <QStandardItemModel>
#include <QTextToSpeech>
#include <QTimer>

namespace {

std::shared_ptr<spdlog::logger> Log()
{
    return CorvaneLog();
}

} // namespace

// ---- Listener thread: each alarm slot forwards to the intake ----

void Corvane::RecvAlarmAidSlot(const TSR_ALARMER* pAlarmer, const TSR_AID_ALARM* pStuAlarmAid)
{
    if (!pAlarmer || !pStuAlarmAid)
        return;
    if (closing) {
        DeviceManager::ReportAlarmStored(false); // the device sends it again
        return;
    }
    alarmIntake->TakeIncident(*pAlarmer, *pStuAlarmAid, [this](const AlarmIntake::Incident& stored) {
        if (stored.speak)
            SpeakIncidentLater(stored.incident.incidentType);
        if (closing)
            return;
        emit DealIncidentPromptsSig(stored.incident);
        emit DealIncidentTableSig(stored.incident);
    });
}

void Corvane::RecvItsPlateResultSlot(const TSR_ALARMER*, const char*)
{
    Log()->info("{}, plate results are not handled", "Corvane::RecvItsPlateResultSlot");
}

void Corvane::RecvAlarmTfsSlot(const TSR_ALARMER* pAlarmer, const TSR_TFS_ALARM* pStuTfsResult)
{
    if (!pAlarmer || !pStuTfsResult)
        return;
    if (closing) {
        DeviceManager::ReportAlarmStored(false); // the device sends it again
        return;
    }
    alarmIntake->TakeViolation(*pAlarmer, *pStuTfsResult);
}

void Corvane::RecvAlarmTpsSlot(const TSR_ALARMER* pAlarmer, const TSR_TPS_ALARM* pStuAlarmTps)
{
    if (!pAlarmer || !pStuAlarmTps)
        return;
    if (closing) {
        DeviceManager::ReportAlarmStored(false); // the device sends it again
        return;
    }
    alarmIntake->TakeTrafficParameters(*pAlarmer, *pStuAlarmTps);
}

// ---- GUI thread: live list, prompt window, speech ----

namespace {

// Rows of the live list.
constexpr int kLiveRows = 5;
// How often the list and the prompt take the newest incidents: faster than a
// person reads, slow enough that a flood costs the GUI thread a few
// repaints a second rather than one per incident.
constexpr int kIncidentFrameMs = 40;

} // namespace

// Both slots run while the dispatch thread waits, so they only take the
// incident; ShowNewestIncidents paints what is newest once a frame, and the
// incidents pushed out of sight in between are never painted.
void Corvane::DealIncidentPromptsSlot(TrafficIncident incident)
{
    promptIncident = std::move(incident);
    promptPending = true;
    ScheduleIncidentFrame();
}

void Corvane::DealIncidentTableSlot(TrafficIncident incident)
{
    newestIncidents.prepend(std::move(incident));
    while (newestIncidents.size() > kLiveRows)
        newestIncidents.removeLast();
    ScheduleIncidentFrame();
}

void Corvane::ScheduleIncidentFrame()
{
    if (incidentFramePending)
        return;
    incidentFramePending = true;
    if (!pIncidentFrameTimer) {
        pIncidentFrameTimer = new QTimer(this);
        pIncidentFrameTimer->setSingleShot(true);
        pIncidentFrameTimer->setInterval(kIncidentFrameMs);
        connect(pIncidentFrameTimer, &QTimer::timeout, this, [this] {
            if (incidentFramePending)
                ShowNewestIncidents();
        });
    }
    // A quiet list shows an incident at once; during a frame's rest the
    // newest waits for the frame's end.
    if (!pIncidentFrameTimer->isActive())
        QMetaObject::invokeMethod(this, &Corvane::ShowNewestIncidents, Qt::QueuedConnection);
}

void Corvane::ShowNewestIncidents()
{
    if (!incidentFramePending)
        return;
    incidentFramePending = false;
    if (promptPending) {
        promptPending = false;
        ShowPromptOf(promptIncident);
    }
    ShowLiveRows();
    pIncidentFrameTimer->start();
}

void Corvane::ShowPromptOf(const TrafficIncident& incident)
{
    const int type = static_cast<int>(incident.incidentType);
    const QString timeText = FormatPackedTime(incident.absTime, QStringLiteral("%1_%2_%3 %4:%5:%6"));
    const QString iconPath = hashIncidentIcon.value(type);
    if (iconPath.isEmpty())
        Log()->error("{}, nEventType:{}", "Corvane::ShowPromptOf", type);
    if (!pIncidentPromptsDialog) {
        pIncidentPromptsDialog = new IncidentPromptsDialog(this);
        connect(this, &Corvane::signalReTranslateUI, pIncidentPromptsDialog, &IncidentPromptsDialog::reTranslateUI);
    }
    pIncidentPromptsDialog->SetInfo(iconPath, hashIncidentName.value(type), timeText, incident.deviceIp,
                                    incident.channelIp, static_cast<int>(incident.laneNo));
    pIncidentPromptsDialog->picPath = incident.picPath;
    pIncidentPromptsDialog->SetIncidentType(incident.incidentType);
    pIncidentPromptsDialog->reTranslateUI();
    pIncidentPromptsDialog->ShowAtCorner();
}

void Corvane::ShowLiveRows()
{
    for (int row = 0; row < newestIncidents.size(); ++row) {
        if (row >= pIncidentListModel->rowCount()) {
            auto* item = new QStandardItem;
            item->setSizeHint(QSize(230, 94));
            item->setTextAlignment(Qt::AlignLeft);
            pIncidentListModel->appendRow(item);
            ui.listViewIncident->setIndexWidget(item->index(),
                                                new IncidentItem(QString(), QString(), QString(), QString()));
        }
        auto* rowItem =
            qobject_cast<IncidentItem*>(ui.listViewIncident->indexWidget(pIncidentListModel->index(row, 0)));
        if (!rowItem)
            continue;
        const TrafficIncident& incident = newestIncidents.at(row);
        const int type = static_cast<int>(incident.incidentType);
        rowItem->ShowIncident(FormatPackedTime(incident.absTime, QStringLiteral("%1_%2_%3 %4:%5:%6")),
                              hashIncidentIcon.value(type), incident.deviceIp, incident.channelIp);
        rowItem->picPath = incident.picPath;
        rowItem->laneNo = static_cast<int>(incident.laneNo);
        rowItem->typeName = hashIncidentName.value(type);
        if (row == 0)
            pNewestIncidentItem = rowItem;
    }
}

void Corvane::RefreshIncidentListSlot()
{
}

void Corvane::SpeakIncidentLater(quint32 incidentType)
{
    // The speech engine and the name table belong to the GUI thread; the
    // listener thread only asks for the words.
    QMetaObject::invokeMethod(
        this,
        [this, incidentType] {
            SpeechIncident(hashIncidentName.value(static_cast<int>(incidentType)) + tr("事件报警"));
        },
        Qt::QueuedConnection);
}

void Corvane::SpeechIncident(const QString& text)
{
    constexpr const char* method = "Corvane::SpeechIncident";
    if (!pIncidentSpeaker) {
        // The speaker loads espeak-ng on its own thread at these first words;
        // without it, it logs why once and stays silent.
        pIncidentSpeaker = new IncidentSpeaker(this);
        Log()->info("{}, incidents are spoken with espeak-ng", method);
    }
    pIncidentSpeaker->Say(text);
}

void Corvane::stateChanged(int state)
{
    constexpr const char* method = "Corvane::stateChanged";
    Log()->info("{}, State****************", method);
    switch (state) {
    case QTextToSpeech::Speaking: Log()->info("{}, Speech started...............", method); break;
    case QTextToSpeech::Ready: Log()->info("{}, Speech stopped...............", method); break;
    case QTextToSpeech::Paused: Log()->info("{}, Speech paused...............", method); break;
    default: Log()->info("{}, Speech error...............", method); break;
    }
}

// ---- Cleaning worker ----

void Corvane::DeleteDataThread()
{
    Log()->info("{}, threadId:{}", "Corvane::DeleteDataThread", ThreadIdText());
    if (!ImplementInstance::GetInstance())
        return;
    DataCleaner cleaner;
    cleaner.RunUntilInterrupted([this] { return alarmIntake->CurrentDataPath(); });
}
