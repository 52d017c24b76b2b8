// The alarm road of the main window: the three alarm slots on the device
// SDK's listener thread, the hand-over of incidents to the live list and the
// prompt window on the GUI thread, speech, and the cleaning worker's loop.

#include "Corvane.h"
#include "DataCleaner.h"
#include "IncidentItem.h"
#include "IncidentPromptsDialog.h"

#include "core/DeviceTime.h"
#include "data/ImplementInstance.h"
#include "core/IncidentVocabulary.h"
#include "core/Logging.h"
#include "device/AlarmValidation.h"
#include "device/Ipv4Text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardItemModel>
#include <QTextCodec>
#include <QTextToSpeech>

#include <algorithm>
#include <sstream>
#include <thread>

namespace {

std::shared_ptr<spdlog::logger> Log()
{
    return LoggerFor("Corvane");
}

std::string ThreadIdText()
{
    std::ostringstream id;
    id << std::this_thread::get_id();
    return id.str();
}

template <size_t N>
QString TextOf(const char (&field)[N])
{
    return QString::fromLatin1(field, static_cast<int>(qstrnlen(field, N)));
}

// A name that becomes one folder of a path: no separators, no "." or "..".
bool IsSafePathPart(const QString& name)
{
    return name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(QLatin1Char('/')) &&
           !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}

// The type's folder: its display name, or its code when the name could not
// be a folder name.
QString TypeFolder(const std::string& displayName, quint32 code)
{
    const QString name = QString::fromStdString(displayName);
    return IsSafePathPart(name) ? name : QString::number(code);
}

bool PictureFits(uint32_t length, const uint8_t* data)
{
    return length <= kMaxAlarmPictureBytes && (length == 0 || data);
}

// The addresses become parts of file names; a device address must be given,
// a camera address may be empty.
bool AddressesAreSafe(const QString& deviceIp, const QString& channelIp)
{
    return IsIpv4Text(deviceIp) && (channelIp.isEmpty() || IsIpv4Text(channelIp));
}

// Alarms of one type, device, camera and second would share a picture name;
// a later one gets "_1", "_2" ... so no alarm's picture replaces another's.
QString FreePicturePath(const QString& path)
{
    if (!QFileInfo::exists(path))
        return path;
    const QString stem = path.left(path.size() - int(qstrlen(".jpeg")));
    for (int n = 1;; ++n) {
        const QString candidate = QStringLiteral("%1_%2.jpeg").arg(stem).arg(n);
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

// speech-dispatcher spawned by the client itself, where no session runs one
// with a sound device, never answers; its engine then blocks the GUI thread
// when it closes. Only a dispatcher that already listens is used.
bool SpeechDispatcherRuns()
{
    const QString address = qEnvironmentVariable("SPEECHD_ADDRESS");
    if (address.startsWith(QLatin1String("unix_socket:")))
        return QFileInfo::exists(address.mid(int(qstrlen("unix_socket:"))));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/speech-dispatcher/speechd.sock"));
}

const quint32 kHandledViolations[] = {1039, 1301, 13451, 12301, 13453, 12303, 1018, 1044};

} // namespace

QString Corvane::CurrentDataPath() const
{
    // Read at every alarm, so a data path changed in the settings applies to
    // the next alarm.
    ImplementInstance* instance = ImplementInstance::GetInstance();
    if (!instance)
        return strSaveDataPath;
    const QString path = instance->GetConfig()->GetValue(QStringLiteral("Param/SaveDataPath"), true).toString();
    return path.isEmpty() ? strSaveDataPath : path;
}

void Corvane::GetFilterIncident(QList<int>& out)
{
    ImplementInstance* instance = ImplementInstance::GetInstance();
    if (!instance) {
        Log()->error("{}, pImplementInstance is NULL", "Corvane::GetFilterIncident");
        return;
    }
    static const char* const kKeys[] = {
        "Incident/Congestion",   "Incident/IllegallyPark", "Incident/WrongWayDriving", "Incident/Pedestrian",
        "Incident/ObjectsDroppedDown", "Incident/Smog",    "Incident/LinePressing",    "Incident/Visibility",
        "Incident/Construction", "Incident/ChangeLane",    "Incident/TurnRound",       "Incident/VehicleViolation",
        "Incident/QueueJumping", "Incident/RoadBlock",     "Incident/Accident",        "Incident/Fire",
        "Incident/LowSpeed"};
    SettingsStore* settings = instance->GetConfig();
    for (const char* key : kKeys)
        if (settings->GetValue(QString::fromLatin1(key), true).toInt() == 1)
            out.append(static_cast<int>(IncidentTypeFromKey(key)));
}

bool Corvane::SaveToFile(const char* buf, int len, const char* path)
{
    if (!buf || len <= 0 || !path) {
        LoggerFor("DeviceManage")->error("{}, nullptr == pBuff || 0 == nLen || nullptr == pPath", "Corvane::SaveToFile");
        return false;
    }
    const QString filePath = QString::fromUtf8(path);
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    QFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        Log()->error("{}, open {} failed: {}", "Corvane::SaveToFile", filePath, file.errorString());
        return false;
    }
    const qint64 written = file.write(buf, len);
    // A short write (full disk) leaves no half picture behind.
    if (written != len || !file.flush()) {
        Log()->error("{}, write {} failed: {}", "Corvane::SaveToFile", filePath, file.errorString());
        file.close();
        file.remove();
        return false;
    }
    file.close();
    return true;
}

void Corvane::RecvAlarmAidSlot(const TSR_ALARMER* pAlarmer, const TSR_AID_ALARM* pStuAlarmAid)
{
    constexpr const char* method = "Corvane::RecvAlarmAidSlot";
    if (closing || !pAlarmer || !pStuAlarmAid)
        return;
    Log()->info("{}, threadId:{}", method, ThreadIdText());

    QList<int> filter;
    GetFilterIncident(filter);
    if (filter.isEmpty() || !filter.contains(static_cast<int>(pStuAlarmAid->dwIncidentType)))
        return;

    TrafficIncident incident;
    incident.absTime = pStuAlarmAid->dwAbsTime;
    incident.deviceIp = TextOf(pAlarmer->sDeviceIP);
    incident.devicePort = pStuAlarmAid->struDevInfo.wPort;
    incident.channelIp = TextOf(pStuAlarmAid->struDevInfo.sIpV4);
    incident.channelNo = pStuAlarmAid->struDevInfo.byChannel;
    incident.incidentType = pStuAlarmAid->dwIncidentType;
    incident.laneNo = pStuAlarmAid->byLaneNo;
    incident.time = FormatPackedTime(incident.absTime, QStringLiteral("%1%2%3%4%5%6"));
    if (!AddressesAreSafe(incident.deviceIp, incident.channelIp) || incident.time.isEmpty() ||
        !PictureFits(pStuAlarmAid->dwPicDataLen, pStuAlarmAid->pImage)) {
        Log()->error("{}, dropped incident from {}: bad address, time or picture length {}", method,
                     incident.deviceIp, pStuAlarmAid->dwPicDataLen);
        return;
    }
    Log()->info("{}, pStuAlarmAid->dwAbsTime:{}", method, incident.absTime);

    const QString dataPath = CurrentDataPath();
    const QString day = incident.time.left(8);
    const QString pictureDir = QStringLiteral("%1/data/IncidentImageDir/%2/%3/%4/")
                                   .arg(dataPath, TypeFolder(IncidentTypeName(incident.incidentType), incident.incidentType),
                                        day, incident.time.mid(8, 2));
    const QString clipDir = QStringLiteral("%1/video/%2/").arg(dataPath, day);
    if (!QDir(clipDir).exists())
        QDir().mkpath(clipDir);

    const QString picturePath = FreePicturePath(pictureDir + QStringLiteral("incident_%1_%2_%3_%4.jpeg")
                                                                 .arg(QString::number(incident.incidentType),
                                                                      incident.deviceIp, incident.channelIp, incident.time));
    if (SaveToFile(reinterpret_cast<const char*>(pStuAlarmAid->pImage), static_cast<int>(pStuAlarmAid->dwPicDataLen),
                   picturePath.toUtf8().constData()))
        incident.picPath = picturePath;
    else
        // The row is stored all the same, without a path to a file that is not there.
        Log()->error("{}, save {} failed", method, pictureDir);

    DeviceManager* devices = DeviceManager::GetInstance();
    if (!devices)
        return;
    if (bCutVideo) {
        incident.videoPath = clipDir + QStringLiteral("incident_%1_%2_%3.mp4")
                                           .arg(QString::number(incident.incidentType), incident.channelIp, incident.time);
        devices->DownloadVideo(nVideoTimeBefore, nVideoTimeAfter, incident.deviceIp, incident.devicePort,
                               static_cast<int>(incident.channelNo), incident.time, incident.videoPath);
    }

    ImplementInstance* instance = ImplementInstance::GetInstance();
    if (!instance) {
        Log()->error("{}, pImplementInstance is NULL", method);
        return;
    }
    if (!instance->GetDatabase()->InsertIncidentInfo(incident))
        Log()->error("{}, insert incident failed", method);

    if (instance->GetConfig()->GetValue(QStringLiteral("Param/SpeakText"), true).toInt() == 0)
        SpeakIncidentLater(incident.incidentType);

    if (closing)
        return;
    emit DealIncidentPromptsSig(incident);
    emit DealIncidentTableSig(incident);
}

void Corvane::RecvItsPlateResultSlot(const TSR_ALARMER*, const char*)
{
    Log()->info("{}, plate results are not handled", "Corvane::RecvItsPlateResultSlot");
}

void Corvane::RecvAlarmTfsSlot(const TSR_ALARMER* pAlarmer, const TSR_TFS_ALARM* pStuTfsResult)
{
    constexpr const char* method = "Corvane::RecvAlarmTfsSlot";
    if (closing || !pAlarmer || !pStuTfsResult)
        return;
    Log()->info("{}, threadId:{}", method, ThreadIdText());
    const quint32 code = pStuTfsResult->dwIllegalType;
    if (std::find(std::begin(kHandledViolations), std::end(kHandledViolations), code) == std::end(kHandledViolations)) {
        Log()->info("{}, ntype:{}, not deal with", method, code);
        return;
    }

    TrafficForensics forensics;
    forensics.time = FormatPackedTime(pStuTfsResult->dwAbsTime, QStringLiteral("%1%2%3%4%5%6"));
    forensics.violationType = code;
    forensics.deviceIp = TextOf(pAlarmer->sDeviceIP);
    forensics.channelIp = TextOf(pStuTfsResult->struDevInfo.sIpV4);
    forensics.channelNo = pStuTfsResult->struDevInfo.byChannel;
    forensics.laneNo = pStuTfsResult->byLaneNo;
    QTextCodec* localCodec = QTextCodec::codecForName("GBK");
    const QByteArray plate(pStuTfsResult->sLicense,
                           static_cast<int>(qstrnlen(pStuTfsResult->sLicense, sizeof pStuTfsResult->sLicense)));
    forensics.plateNo = localCodec ? localCodec->toUnicode(plate) : QString::fromLocal8Bit(plate);

    const uint32_t pictures = pStuTfsResult->dwPicNum;
    bool picturesFit = pictures <= TSR_MAX_PICTURES;
    for (uint32_t i = 0; picturesFit && i < pictures; ++i)
        picturesFit = PictureFits(pStuTfsResult->struPicInfo[i].dwDataLen, pStuTfsResult->struPicInfo[i].pBuffer);
    if (!picturesFit || !AddressesAreSafe(forensics.deviceIp, forensics.channelIp) || forensics.time.isEmpty()) {
        Log()->error("{}, dropped violation from {}: bad address, time or {} pictures", method, forensics.deviceIp,
                     pictures);
        return;
    }

    const QString pictureDir = QStringLiteral("%1/data/ForensicsImageDir/%2/%3/%4/")
                                   .arg(CurrentDataPath(), TypeFolder(ViolationTypeName(code), code),
                                        forensics.time.left(8), forensics.time.mid(8, 2));
    for (uint32_t i = 0; i < pictures; ++i) {
        const TSR_PIC_INFO& picture = pStuTfsResult->struPicInfo[i];
        if (picture.dwDataLen == 0 || !picture.pBuffer)
            continue;
        const QString picturePath = FreePicturePath(
            pictureDir + QStringLiteral("forensics_%1_%2_%3.jpeg").arg(QString::number(code), forensics.deviceIp, forensics.time));
        if (SaveToFile(reinterpret_cast<const char*>(picture.pBuffer), static_cast<int>(picture.dwDataLen),
                       picturePath.toUtf8().constData()))
            forensics.picPath = picturePath;
        else
            Log()->error("{}, save {} failed", method, pictureDir);
        break;
    }

    if (ImplementInstance* instance = ImplementInstance::GetInstance())
        if (!instance->GetDatabase()->InsertForensicsInfo(forensics))
            Log()->error("{}, insert Forensics failed", method);
}

void Corvane::RecvAlarmTpsSlot(const TSR_ALARMER* pAlarmer, const TSR_TPS_ALARM* pStuAlarmTps)
{
    constexpr const char* method = "Corvane::RecvAlarmTpsSlot";
    if (closing || !pAlarmer || !pStuAlarmTps)
        return;
    Log()->info("{}, threadId:{}", method, ThreadIdText());

    TrafficParam param;
    param.startTime = FormatPackedTime(pStuAlarmTps->dwStartTime, QStringLiteral("%1%2%3%4%5%6"));
    param.endTime = FormatPackedTime(pStuAlarmTps->dwStopTime, QStringLiteral("%1%2%3%4%5%6"));
    param.deviceIp = TextOf(pAlarmer->sDeviceIP);
    param.channelIp = TextOf(pStuAlarmTps->struDevInfo.sIpV4);
    param.channelNo = pStuAlarmTps->struDevInfo.byChannel;
    param.laneCount = pStuAlarmTps->nLaneNum;
    if (param.laneCount < 0 || param.laneCount > TSR_MAX_LANES || !AddressesAreSafe(param.deviceIp, param.channelIp)) {
        Log()->error("{}, dropped traffic parameters from {}: {} lanes or a bad address", method, param.deviceIp,
                     param.laneCount);
        return;
    }
    ImplementInstance* instance = ImplementInstance::GetInstance();
    for (int i = 0; i < param.laneCount; ++i) {
        const TSR_LANE_PARAM& lane = pStuAlarmTps->struLane[i];
        param.trafficState = lane.byTrafficState;
        param.laneNo = lane.byLaneNo;
        param.laneFlow = static_cast<qint32>(lane.dwLaneFlow);
        param.laneSpeed = static_cast<qint32>(lane.dwLaneSpeed);
        param.timeHeadWay = static_cast<qint32>(lane.dwTimeHeadway);
        param.spaceHeadWay = static_cast<qint32>(lane.dwSpaceHeadway);
        param.spaceRation = lane.fSpaceOccupancy;
        param.timeRation = lane.fTimeOccupancy;
        param.lightVehicleNum = static_cast<qint32>(lane.dwLightVehicle);
        param.midVehicleNum = static_cast<qint32>(lane.dwMidVehicle);
        param.heavyVehicleNum = static_cast<qint32>(lane.dwHeavyVehicle);
        param.queueLength = static_cast<qint32>(lane.dwQueueLength);
        Log()->info("nVehFlow:{}, nLightVehicle:{}, nMidVehicle:{}, nHeavyVehicle:{}, nSpeed:{}", param.laneFlow,
                    param.lightVehicleNum, param.midVehicleNum, param.heavyVehicleNum, param.laneSpeed);
        if (instance && !instance->GetDatabase()->InsertTrafficParamInfo(param))
            Log()->error("{}, insert trafficParam failed", method);
    }
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
    if (!pTextToSpeech) {
        // speech-dispatcher speaks Mandarin through espeak-ng; flite only English.
        const QStringList engines = QTextToSpeech::availableEngines();
        QString engine;
        if (engines.contains(QStringLiteral("speechd")) && SpeechDispatcherRuns())
            engine = QStringLiteral("speechd");
        else if (engines.contains(QStringLiteral("flite")))
            engine = QStringLiteral("flite");
        if (engine.isEmpty()) {
            bSpeechUnavailable = true;
            Log()->info("{}, no speech engine, incidents are not spoken", method);
            return;
        }
        pTextToSpeech = new QTextToSpeech(engine, this);
        const bool connected = static_cast<bool>(connect(pTextToSpeech, &QTextToSpeech::stateChanged, this,
                                                         [this](QTextToSpeech::State state) { stateChanged(state); }));
        Log()->info("{}, speech****************bRet:{} engine {}", method, connected, engine);
    }
    pTextToSpeech->say(text);
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
    cleaner.RunUntilInterrupted([this] { return CurrentDataPath(); });
}
