// Continuous recording of cameras into five-minute files.

#include "DeviceManager.h"

#include "Ipv4Text.h"

#include "data/ImplementInstance.h"
#include "core/Logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtConcurrent>

namespace {

std::shared_ptr<spdlog::logger> RecordingLog()
{
    return LoggerFor("DeviceManage");
}

QString SaveDataPath(ImplementInstance& backEnd)
{
    return backEnd.GetConfig()->GetValue(QStringLiteral("Param/SaveDataPath"), true).toString();
}

} // namespace

const QVector<QString>& DeviceManager::TimeSlots()
{
    static const QVector<QString> timeSlots = [] {
        // Slot i runs from minute 5i, second 0 to minute 5i+4, second 59.
        auto instant = [](int minute, int second) {
            return QStringLiteral("%1%2").arg(minute, 2, 10, QLatin1Char('0')).arg(second, 2, 10, QLatin1Char('0')) +
                   QStringLiteral("000");
        };
        QVector<QString> list;
        for (int slot = 0; slot < 12; ++slot)
            list.append(instant(slot * 5, 0) + QLatin1Char('-') + instant(slot * 5 + 4, 59));
        return list;
    }();
    return timeSlots;
}

void DeviceManager::GetTimeSlotIndex(const QString& time, QString* slot, int* index)
{
    const QStringRef minutesSeconds = time.leftRef(4);
    const QVector<QString>& timeSlots = TimeSlots();
    for (int i = 0; i < timeSlots.size(); ++i) {
        if (minutesSeconds >= timeSlots[i].leftRef(4) && minutesSeconds <= timeSlots[i].midRef(8, 4)) {
            if (slot)
                *slot = timeSlots[i];
            if (index)
                *index = i;
            return;
        }
    }
}

QString DeviceManager::RecordingFilePath(const QString& dataPath, const QString& ip, const QDateTime& time)
{
    QString slot;
    GetTimeSlotIndex(time.toString(QStringLiteral("mmsszzz")), &slot, nullptr);
    return QDir::cleanPath(QStringLiteral("%1/video/%2/%3/%4/%5/%6/%7.mp4")
                               .arg(dataPath, ip, time.toString(QStringLiteral("yyyy")),
                                    time.toString(QStringLiteral("yyyyMM")), time.toString(QStringLiteral("yyyyMMdd")),
                                    time.toString(QStringLiteral("yyyyMMddHH")), slot));
}

bool DeviceManager::SaveFile(const char* buffer, unsigned length, const char* path)
{
    if (!buffer || length == 0 || !path) {
        RecordingLog()->error("{}, nullptr == pBuff || 0 == nLen || nullptr == pPath", "SaveFile");
        return false;
    }
    const QString filePath = QString::fromUtf8(path);
    QFileInfo(filePath).dir().mkpath(QStringLiteral("."));
    QFile file(filePath);
    // The write only fills the file object's buffer; a full disk shows in the
    // flush or the close, so each of the three is checked.
    const bool saved = file.open(QIODevice::WriteOnly | QIODevice::Append) &&
                       file.write(buffer, length) == static_cast<qint64>(length) && file.flush();
    if (file.isOpen())
        file.close();
    if (saved && file.error() == QFileDevice::NoError)
        return true;
    RecordingLog()->error("{}, 保存录像失败, {}: {}", "SaveFile", path, file.errorString());
    return false;
}

void DeviceManager::RecordDataCallBack(int32_t handle, uint32_t, const uint8_t* buffer, uint32_t length, void* user)
{
    if (!buffer) {
        RecordingLog()->error("{}, pBuffer 存放数据的缓冲区指针为空", "DeviceManager::RecordDataCallBack");
        return;
    }
    if (auto* manager = static_cast<DeviceManager*>(user))
        manager->WriteRecordingBlock(handle, buffer, length);
}

void DeviceManager::WriteRecordingBlock(int32_t handle, const uint8_t* buffer, uint32_t length)
{
    constexpr const char* method = "DeviceManager::RecordDataCallBack";
    ImplementInstance* backEnd = ImplementInstance::GetInstance();
    if (!backEnd) {
        LoggerFor("Corvane")->error("{}, pImplementInstance is NULL", method);
        return;
    }
    const QString dataPath = SaveDataPath(*backEnd);
    // The block's own time picks its file, so a stream that stalled for a
    // while goes on in the slot and hour of now, never in a past one.
    const QDateTime now = clock();
    QByteArray path;
    const bool recording = recordings.Update(handle, [&](RecordingRegistry::Target& target) {
        const QString blockPath = RecordingFilePath(dataPath, target.ip, now);
        // Every block: kept at debug level, as at info it would push every other
        // line out of the rotating log files within minutes.
        RecordingLog()->debug("{}, nReturnIndex value is {}", method, target.slotIndex);
        if (blockPath != target.path) {
            GetTimeSlotIndex(now.toString(QStringLiteral("mmsszzz")), nullptr, &target.slotIndex);
            RecordingLog()->info("{}, nReturnIndex++ value is {}", method, target.slotIndex);
            RecordingLog()->info("{}创建新路径{}", method, blockPath);
            target.path = blockPath;
        }
        path = target.path.toUtf8();
    });
    if (recording && !SaveFile(reinterpret_cast<const char*>(buffer), length, path.constData()))
        RecordingLog()->error("{}, 保存录像失败", method);
}

bool DeviceManager::ChannelPreview(long lUserID, const QString& ip)
{
    return StartRecordingOf(lUserID, ip, recordings.BeginStarts(1));
}

void DeviceManager::StartRecording(const QList<stu_LoginInfo>& logins)
{
    QList<stu_LoginInfo> starts;
    for (const stu_LoginInfo& login : logins)
        if (login.lUserID != -1)
            starts.append(login);
    const quint64 generation = recordings.BeginStarts(starts.size());
    for (const stu_LoginInfo& login : qAsConst(starts))
        QtConcurrent::run([this, login, generation] { StartRecordingOf(login.lUserID, login.deviceIp, generation); });
}

bool DeviceManager::StartRecordingOf(long lUserID, const QString& ip, quint64 generation)
{
    constexpr const char* method = "DeviceManager::ChannelPreview";
    struct PendingStart
    {
        RecordingRegistry& recordings;
        ~PendingStart() { recordings.FinishStart(); }
    } pending{recordings};

    // The address names the recording's folders.
    if (!IsIpv4Text(ip)) {
        RecordingLog()->error("{}, 设备地址{}不是IPv4地址，不录像", method, ip);
        return false;
    }
    switch (recordings.Reserve(ip, generation)) {
    case RecordingRegistry::Reservation::Reserved: break;
    case RecordingRegistry::Reservation::AlreadyRecording:
        RecordingLog()->info("{}, 设备{}已在录像", method, ip);
        return true;
    case RecordingRegistry::Reservation::Cancelled: return false;
    }
    // Channel 0 (the camera's first), sub stream, no window.
    TSR_PREVIEWINFO preview{};
    preview.dwStreamType = 1;
    const long handle = TSR_RealPlay(static_cast<int32_t>(lUserID), &preview, nullptr, nullptr);
    if (handle == -1) {
        RecordingLog()->error("{}, 设备{}预览失败, 错误码：{}", method, lUserID, TSR_GetLastError());
        recordings.Release(ip);
        return false;
    }

    ImplementInstance* backEnd = ImplementInstance::GetInstance();
    if (!backEnd) {
        LoggerFor("Corvane")->error("{}, pImplementInstance is NULL", method);
        TSR_StopRealPlay(static_cast<int32_t>(handle));
        recordings.Release(ip);
        return false;
    }
    const QDateTime startTime = clock();
    const QString path = RecordingFilePath(SaveDataPath(*backEnd), ip, startTime);
    QFileInfo(path).dir().mkpath(QStringLiteral("."));
    int slotIndex = 0;
    GetTimeSlotIndex(startTime.toString(QStringLiteral("mmsszzz")), nullptr, &slotIndex);
    recordings.Adopt(handle, RecordingRegistry::Target{ip, path, slotIndex});
    // Only now, with the file known, may blocks come.
    if (!TSR_SetRealDataCallBack(static_cast<int32_t>(handle), RecordDataCallBack, this)) {
        RecordingLog()->error("{}, 设备{}设置预览回调失败, 错误码：{}", method, lUserID, TSR_GetLastError());
        return false;
    }
    return true;
}

void DeviceManager::StopRecording()
{
    // Outside the registry's lock: a stop waits for the handle's callback, which takes it.
    for (long handle : recordings.TakeAllForStop())
        if (!TSR_StopRealPlay(static_cast<int32_t>(handle)))
            RecordingLog()->error("{}, 停止录像{}失败, 错误码：{}", "DeviceManager::StopRecording", handle,
                                  TSR_GetLastError());
}

QVector<long> DeviceManager::RecordingHandles() const
{
    return recordings.Handles();
}
