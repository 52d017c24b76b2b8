#include "AlarmIntake.h"
#include "MonitorLog.h"

#include "core/ApplicationDir.h"
#include "core/DeviceTime.h"
#include "data/DatabaseOperation.h"
#include "data/ImplementInstance.h"
#include "core/IncidentVocabulary.h"
#include "core/SettingsStore.h"
#include "core/TrafficForensics.h"
#include "core/TrafficParam.h"
#include "device/AlarmValidation.h"
#include "device/DeviceManager.h"
#include "device/Ipv4Text.h"
#include "device/SdkText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCodec>
#include <QThread>

#include <algorithm>

namespace {

std::shared_ptr<spdlog::logger> Log()
{
    return CorvaneLog();
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

// Inserts an alarm's rows with its origin (read now, inside the alarm's
// callback) when its round is stored, in the round's transaction.
template <class Insert>
std::function<bool()> RowsInserter(const char* method, const char* failure, Insert insert)
{
    return [method, failure, insert, origin = DeviceManager::CurrentAlarmOrigin()] {
        ImplementInstance* instance = ImplementInstance::GetInstance();
        const bool stored = instance && insert(*instance->GetDatabase(), origin);
        if (!stored)
            Log()->error(fmt::runtime(failure), method);
        return stored;
    };
}

// The SDK's buffer, without a copy: the round writes it before the callback returns.
QByteArray PictureBytes(const uint8_t* data, uint32_t length)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<int>(length));
}

const quint32 kHandledViolations[] = {1039, 1301, 13451, 12301, 13453, 12303, 1018, 1044};

void GetFilterIncident(QList<int>& out)
{
    ImplementInstance* instance = ImplementInstance::GetInstance();
    if (!instance) {
        Log()->error("{}, pImplementInstance is NULL", "Corvane::GetFilterIncident");
        return;
    }
    static const char* const kKeys[] = {"Incident/Congestion",
                                        "Incident/IllegallyPark",
                                        "Incident/WrongWayDriving",
                                        "Incident/Pedestrian",
                                        "Incident/ObjectsDroppedDown",
                                        "Incident/Smog",
                                        "Incident/LinePressing",
                                        "Incident/Visibility",
                                        "Incident/Construction",
                                        "Incident/ChangeLane",
                                        "Incident/TurnRound",
                                        "Incident/VehicleViolation",
                                        "Incident/QueueJumping",
                                        "Incident/RoadBlock",
                                        "Incident/Accident",
                                        "Incident/Fire",
                                        "Incident/LowSpeed"};
    SettingsStore* settings = instance->GetConfig();
    for (const char* key : kKeys)
        if (settings->GetValue(QString::fromLatin1(key), true).toInt() == 1)
            out.append(static_cast<int>(IncidentTypeFromKey(key)));
}

} // namespace

ClipSettings ClipSettings::Read(SettingsStore& settings)
{
    ClipSettings clip;
    clip.dataPath = settings.GetValue(QStringLiteral("Param/SaveDataPath"), true).toString();
    clip.cutVideo = settings.GetValue(QStringLiteral("Param/CutVideo"), true).toInt() == 0;
    const int videoTime = settings.GetValue(QStringLiteral("Param/VideoTime"), true).toInt();
    clip.secondsBefore = -(videoTime / 2);
    clip.secondsAfter = videoTime / 2 + videoTime % 2;
    return clip;
}

AlarmIntake::AlarmIntake(QObject* parent) : QObject(parent), clipSettings(std::make_shared<const ClipSettings>())
{
}

void AlarmIntake::SetClipSettings(const ClipSettings& settings)
{
    auto snapshot = std::make_shared<const ClipSettings>(settings);
    const std::lock_guard<std::mutex> lock(settingsMutex);
    clipSettings.swap(snapshot);
}

std::shared_ptr<const ClipSettings> AlarmIntake::CurrentClipSettings() const
{
    const std::lock_guard<std::mutex> lock(settingsMutex);
    return clipSettings;
}

QString AlarmIntake::CurrentDataPath() const
{
    return DataPathOf(*CurrentClipSettings());
}

QString AlarmIntake::DataPathOf(const ClipSettings& clip)
{
    // The snapshot's own path, swapped with the clip values it was saved
    // with: reading the settings here could pair a new path with the clip
    // switch of the save before.
    if (!clip.dataPath.isEmpty())
        return clip.dataPath;
    ImplementInstance* instance = ImplementInstance::GetInstance();
    return instance ? instance->GetConfig()->GetValue(QStringLiteral("Param/SaveDataPath"), true).toString()
                    : QString();
}

bool AlarmIntake::OnListenerThread(const char* method)
{
    if (QThread::currentThread() != thread())
        return true;
    if (!wrongThreadLogged.exchange(true))
        Log()->error("{}, alarm refused on the GUI thread: the alarm signals must be connected directly", method);
    return false;
}

bool AlarmIntake::SaveToFile(const char* buf, int len, const char* path)
{
    if (!buf || len <= 0 || !path) {
        LoggerFor("DeviceManage")
            ->error("{}, nullptr == pBuff || 0 == nLen || nullptr == pPath", "Corvane::SaveToFile");
        return false;
    }
    // The alarm is acknowledged to its device once stored, so its picture
    // must outlive a power cut: the file and its folder entry are synced.
    const QString filePath = QString::fromUtf8(path);
    if (!AlarmRound::WritePicture(filePath, QByteArray::fromRawData(buf, len)))
        return false;
    if (AlarmRound::SyncFile(filePath) && AlarmRound::SyncFolder(QFileInfo(filePath).absolutePath()))
        return true;
    QFile::remove(filePath);
    return false;
}

std::optional<AlarmIntake::Incident> AlarmIntake::TakeIncident(const TSR_ALARMER& alarmer, const TSR_AID_ALARM& alarm,
                                                               std::function<void(const Incident&)> onStored)
{
    constexpr const char* method = "Corvane::RecvAlarmAidSlot";
    if (!OnListenerThread(method))
        return std::nullopt;
    Log()->info("{}, threadId:{}", method, ThreadIdText());

    QList<int> filter;
    GetFilterIncident(filter);
    if (filter.isEmpty() || !filter.contains(static_cast<int>(alarm.dwIncidentType)))
        return std::nullopt;

    TrafficIncident incident;
    incident.absTime = alarm.dwAbsTime;
    incident.deviceIp = SdkText(alarmer.sDeviceIP);
    incident.devicePort = alarm.struDevInfo.wPort;
    incident.channelIp = SdkText(alarm.struDevInfo.sIpV4);
    incident.channelNo = alarm.struDevInfo.byChannel;
    incident.incidentType = alarm.dwIncidentType;
    incident.laneNo = alarm.byLaneNo;
    incident.time = FormatPackedTime(incident.absTime, QStringLiteral("%1%2%3%4%5%6"));
    if (!AddressesAreSafe(incident.deviceIp, incident.channelIp) || incident.time.isEmpty() ||
        !PictureFits(alarm.dwPicDataLen, alarm.pImage)) {
        Log()->error("{}, dropped incident from {}: bad address, time or picture length {}", method, incident.deviceIp,
                     alarm.dwPicDataLen);
        return std::nullopt;
    }
    Log()->info("{}, pStuAlarmAid->dwAbsTime:{}", method, incident.absTime);

    // One snapshot for the whole alarm: a save meanwhile applies to the next.
    const std::shared_ptr<const ClipSettings> clip = CurrentClipSettings();
    const QString dataPath = DataPathOf(*clip);
    const QString day = incident.time.left(8);
    const QString pictureDir =
        QStringLiteral("%1/data/IncidentImageDir/%2/%3/%4/")
            .arg(dataPath, TypeFolder(IncidentTypeName(incident.incidentType), incident.incidentType), day,
                 incident.time.mid(8, 2));
    const QString clipDir = QStringLiteral("%1/video/%2/").arg(dataPath, day);
    if (!QDir(clipDir).exists())
        QDir().mkpath(clipDir);

    const QString picturePath =
        FreePicturePath(pictureDir + QStringLiteral("incident_%1_%2_%3_%4.jpeg")
                                         .arg(QString::number(incident.incidentType), incident.deviceIp,
                                              incident.channelIp, incident.time));
    AlarmRound::Alarm held;
    if (alarm.dwPicDataLen > 0) {
        held.pictures.append({picturePath, PictureBytes(alarm.pImage, alarm.dwPicDataLen)});
        incident.picPath = picturePath;
    }
    ClipRequest clipRequest;
    if (clip->cutVideo) {
        incident.videoPath =
            clipDir + QStringLiteral("incident_%1_%2_%3.mp4")
                          .arg(QString::number(incident.incidentType), incident.channelIp, incident.time);
        const QDateTime alarmTime = QDateTime::fromString(incident.time, QStringLiteral("yyyyMMddHHmmss"));
        clipRequest = ClipRequest{incident.videoPath,
                                  incident.deviceIp,
                                  incident.devicePort,
                                  static_cast<int>(incident.channelNo),
                                  alarmTime.addSecs(clip->secondsBefore),
                                  alarmTime.addSecs(clip->secondsAfter)};
    }

    ImplementInstance* instance = ImplementInstance::GetInstance();
    if (!instance) {
        Log()->error("{}, insert incident failed", method);
        DeviceManager::ReportAlarmStored(false); // the device sends it again
        return std::nullopt;
    }
    const bool speak = instance->GetConfig()->GetValue(QStringLiteral("Param/SpeakText"), true).toInt() == 0;
    const Incident taken{incident, speak};
    // The row and the alarm's number go in with its round's, or the device sends it again.
    held.storeRows = RowsInserter(method, "{}, insert incident failed",
                                  [incident, clipRequest](DatabaseOperation& database, const AlarmOrigin& origin) {
                                      return database.InsertIncidentInfo(incident, origin, clipRequest);
                                  });
    held.stored = [taken, clipRequest, onStored = std::move(onStored)] {
        DeviceManager* devices = DeviceManager::GetInstance();
        if (clipRequest.IsValid() && devices)
            devices->DownloadClip(clipRequest);
        if (onStored)
            onStored(taken);
    };
    if (!DeviceManager::HoldAlarm(std::move(held)))
        return std::nullopt;
    return taken;
}

void AlarmIntake::TakeViolation(const TSR_ALARMER& alarmer, const TSR_TFS_ALARM& alarm)
{
    constexpr const char* method = "Corvane::RecvAlarmTfsSlot";
    if (!OnListenerThread(method))
        return;
    Log()->info("{}, threadId:{}", method, ThreadIdText());
    const quint32 code = alarm.dwIllegalType;
    if (std::find(std::begin(kHandledViolations), std::end(kHandledViolations), code) == std::end(kHandledViolations)) {
        Log()->info("{}, ntype:{}, not deal with", method, code);
        return;
    }

    TrafficForensics forensics;
    forensics.time = FormatPackedTime(alarm.dwAbsTime, QStringLiteral("%1%2%3%4%5%6"));
    forensics.violationType = code;
    forensics.deviceIp = SdkText(alarmer.sDeviceIP);
    forensics.channelIp = SdkText(alarm.struDevInfo.sIpV4);
    forensics.channelNo = alarm.struDevInfo.byChannel;
    forensics.laneNo = alarm.byLaneNo;
    // Plates come in the devices' local encoding, not UTF-8 like the other fields.
    QTextCodec* localCodec = QTextCodec::codecForName("GBK");
    const QByteArray plate(alarm.sLicense, static_cast<int>(qstrnlen(alarm.sLicense, sizeof alarm.sLicense)));
    forensics.plateNo = localCodec ? localCodec->toUnicode(plate) : QString::fromLocal8Bit(plate);

    const uint32_t pictures = alarm.dwPicNum;
    bool picturesFit = pictures <= TSR_MAX_PICTURES;
    for (uint32_t i = 0; picturesFit && i < pictures; ++i)
        picturesFit = PictureFits(alarm.struPicInfo[i].dwDataLen, alarm.struPicInfo[i].pBuffer);
    if (!picturesFit || !AddressesAreSafe(forensics.deviceIp, forensics.channelIp) || forensics.time.isEmpty()) {
        Log()->error("{}, dropped violation from {}: bad address, time or {} pictures", method, forensics.deviceIp,
                     pictures);
        return;
    }

    const QString pictureDir = QStringLiteral("%1/data/ForensicsImageDir/%2/%3/%4/")
                                   .arg(CurrentDataPath(), TypeFolder(ViolationTypeName(code), code),
                                        forensics.time.left(8), forensics.time.mid(8, 2));
    AlarmRound::Alarm held;
    for (uint32_t i = 0; i < pictures; ++i) {
        const TSR_PIC_INFO& picture = alarm.struPicInfo[i];
        if (picture.dwDataLen == 0 || !picture.pBuffer)
            continue;
        forensics.picPath = FreePicturePath(
            pictureDir +
            QStringLiteral("forensics_%1_%2_%3.jpeg").arg(QString::number(code), forensics.deviceIp, forensics.time));
        held.pictures.append({forensics.picPath, PictureBytes(picture.pBuffer, picture.dwDataLen)});
        break;
    }

    // The row and the alarm's number go in with its round's, or the device sends it again.
    held.storeRows = RowsInserter(method, "{}, insert Forensics failed",
                                  [forensics](DatabaseOperation& database, const AlarmOrigin& origin) {
                                      return database.InsertForensicsInfo(forensics, origin);
                                  });
    DeviceManager::HoldAlarm(std::move(held));
}

void AlarmIntake::TakeTrafficParameters(const TSR_ALARMER& alarmer, const TSR_TPS_ALARM& alarm)
{
    constexpr const char* method = "Corvane::RecvAlarmTpsSlot";
    if (!OnListenerThread(method))
        return;
    Log()->info("{}, threadId:{}", method, ThreadIdText());

    TrafficParam param;
    param.startTime = FormatPackedTime(alarm.dwStartTime, QStringLiteral("%1%2%3%4%5%6"));
    param.endTime = FormatPackedTime(alarm.dwStopTime, QStringLiteral("%1%2%3%4%5%6"));
    param.deviceIp = SdkText(alarmer.sDeviceIP);
    param.channelIp = SdkText(alarm.struDevInfo.sIpV4);
    param.channelNo = alarm.struDevInfo.byChannel;
    param.laneCount = alarm.nLaneNum;
    if (param.laneCount < 0 || param.laneCount > TSR_MAX_LANES || !AddressesAreSafe(param.deviceIp, param.channelIp)) {
        Log()->error("{}, dropped traffic parameters from {}: {} lanes or a bad address", method, param.deviceIp,
                     param.laneCount);
        return;
    }
    QList<TrafficParam> lanes;
    for (int i = 0; i < param.laneCount; ++i) {
        const TSR_LANE_PARAM& lane = alarm.struLane[i];
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
        lanes.append(param);
    }
    // Every lane and the alarm's number go in with its round's, or the device sends it again.
    AlarmRound::Alarm held;
    held.storeRows = RowsInserter(method, "{}, insert trafficParam failed",
                                  [lanes](DatabaseOperation& database, const AlarmOrigin& origin) {
                                      return database.InsertTrafficParamInfos(lanes, origin);
                                  });
    DeviceManager::HoldAlarm(std::move(held));
}
