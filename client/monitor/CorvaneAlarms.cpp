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
    const std::optional<AlarmIntake::Incident> taken = alarmIntake->TakeIncident(*pAlarmer, *pStuAlarmAid);
    if (!taken)
        return;
    if (taken->speak)
        SpeakIncidentLater(taken->incident.incidentType);
    if (closing)
        return;
    emit DealIncidentPromptsSig(taken->incident);
    emit DealIncidentTableSig(taken->incident);
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

void Corvane::DealIncidentPromptsSlot(TrafficIncident incident)
{
    constexpr const char* method = "Corvane::DealIncidentPromptsSlot";
    Log()->info("{}, ThreadId:{}", method, ThreadIdText());
    const int type = static_cast<int>(incident.incidentType);
    const QString timeText = FormatPackedTime(incident.absTime, QStringLiteral("%1_%2_%3 %4:%5:%6"));
    const QString iconPath = hashIncidentIcon.value(type);
    if (iconPath.isEmpty())
        Log()->error("{}, nEventType:{}", method, type);
    if (!pIncidentPromptsDialog) {
        pIncidentPromptsDialog = new IncidentPromptsDialog(this);
        connect(this, &Corvane::signalReTranslateUI, pIncidentPromptsDialog, &IncidentPromptsDialog::reTranslateUI);
    }
    pIncidentPromptsDialog->SetInfo(iconPath, hashIncidentName.value(type), timeText, incident.deviceIp,
                                    incident.channelIp, static_cast<int>(incident.laneNo));
    pIncidentPromptsDialog->picPath = incident.picPath;
    pIncidentPromptsDialog->SetIncidentType(incident.incidentType);
    pIncidentPromptsDialog->ShowAtCorner();
    emit signalReTranslateUI();
}

void Corvane::DealIncidentTableSlot(TrafficIncident incident)
{
    const int type = static_cast<int>(incident.incidentType);
    const QString timeText = FormatPackedTime(incident.absTime, QStringLiteral("%1_%2_%3 %4:%5:%6"));
    const QString iconPath = hashIncidentIcon.value(type);
    if (iconPath.isEmpty())
        Log()->error("{}, nEventType:{}", "Corvane::DealIncidentTableSlot", type);

    constexpr int kRows = 5;
    while (pIncidentListModel->rowCount() >= kRows)
        pIncidentListModel->removeRow(pIncidentListModel->rowCount() - 1);
    pNewestIncidentItem = new IncidentItem(timeText, iconPath, incident.deviceIp, incident.channelIp);
    pNewestIncidentItem->picPath = incident.picPath;
    pNewestIncidentItem->laneNo = static_cast<int>(incident.laneNo);
    pNewestIncidentItem->typeName = hashIncidentName.value(type);

    auto* item = new QStandardItem;
    item->setSizeHint(QSize(230, 94));
    item->setTextAlignment(Qt::AlignLeft);
    pIncidentListModel->insertRow(0, item);
    ui.listViewIncident->setIndexWidget(item->index(), pNewestIncidentItem);
}

void Corvane::RefreshIncidentListSlot() {}

void Corvane::SpeakIncidentLater(quint32 incidentType)
{
    // The speech engine and the name table belong to the GUI thread; the
    // listener thread only asks for the words.
    QMetaObject::invokeMethod(
        this,
        [this, incidentType] { SpeechIncident(hashIncidentName.value(static_cast<int>(incidentType)) + tr("事件报警")); },
        Qt::QueuedConnection);
}

void Corvane::SpeechIncident(const QString& text)
{
    constexpr const char* method = "Corvane::SpeechIncident";
    if (bSpeechUnavailable)
        return;
    if (!pIncidentSpeaker) {
        if (!IncidentSpeaker::Available()) {
            bSpeechUnavailable = true;
            Log()->info("{}, no speech engine, incidents are not spoken", method);
            return;
        }
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
    case QTextToSpeech::Speaking:
        Log()->info("{}, Speech started...............", method);
        break;
    case QTextToSpeech::Ready:
        Log()->info("{}, Speech stopped...............", method);
        break;
    case QTextToSpeech::Paused:
        Log()->info("{}, Speech paused...............", method);
        break;
    default:
        Log()->info("{}, Speech error...............", method);
        break;
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
