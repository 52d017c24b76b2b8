#include "AlarmPrinter.h"

#include "core/DeviceTime.h"
#include "core/IncidentVocabulary.h"

#include <QTextCodec>

#include <cstdio>

namespace {

const QString kDisplayTime = "%1_%2_%3 %4:%5:%6";

QString Text(const char* field, size_t capacity)
{
    return QString::fromLatin1(field, static_cast<int>(qstrnlen(field, static_cast<uint>(capacity))));
}

QString Where(const TSR_ALARMER* alarmer, const TSR_VCA_DEV_INFO& channel)
{
    return QString("device %1 camera %2 channel %3")
        .arg(Text(alarmer->sDeviceIP, sizeof alarmer->sDeviceIP), Text(channel.sIpV4, sizeof channel.sIpV4))
        .arg(channel.byChannel);
}

} // namespace

void AlarmPrinter::Incident(const TSR_ALARMER* alarmer, const TSR_AID_ALARM* alarm)
{
    Line(QString("%1 incident %2, %3 lane %4")
             .arg(FormatPackedTime(alarm->dwAbsTime, kDisplayTime),
                  QString::fromStdString(IncidentTypeName(alarm->dwIncidentType)), Where(alarmer, alarm->struDevInfo))
             .arg(alarm->byLaneNo));
}

void AlarmPrinter::TrafficParameters(const TSR_ALARMER* alarmer, const TSR_TPS_ALARM* alarm)
{
    QStringList lanes;
    for (int i = 0; i < alarm->nLaneNum && i < TSR_MAX_LANES; ++i) {
        const TSR_LANE_PARAM& lane = alarm->struLane[i];
        lanes << QString("lane %1 %2 flow %3 speed %4")
                     .arg(lane.byLaneNo)
                     .arg(QString::fromStdString(TrafficStateName(lane.byTrafficState)))
                     .arg(lane.dwLaneFlow)
                     .arg(lane.dwLaneSpeed);
    }
    Line(QString("%1 traffic parameters, %2: %3")
             .arg(FormatPackedTime(alarm->dwAbsTime, kDisplayTime), Where(alarmer, alarm->struDevInfo),
                  lanes.join("; ")));
}

void AlarmPrinter::Violation(const TSR_ALARMER* alarmer, const TSR_TFS_ALARM* alarm)
{
    // Devices send plates in GBK.
    static QTextCodec* gbk = QTextCodec::codecForName("GBK");
    const int plateLength = static_cast<int>(qstrnlen(alarm->sLicense, sizeof alarm->sLicense));
    const QString plate = gbk ? gbk->toUnicode(alarm->sLicense, plateLength) : Text(alarm->sLicense, plateLength);
    Line(QString("%1 violation %2, %3 lane %4 plate %5")
             .arg(FormatPackedTime(alarm->dwAbsTime, kDisplayTime),
                  QString::fromStdString(ViolationTypeName(alarm->dwIllegalType)), Where(alarmer, alarm->struDevInfo))
             .arg(alarm->byLaneNo)
             .arg(plate));
}

void AlarmPrinter::DeviceState(long userId, bool online)
{
    Line(QString("login %1 %2").arg(userId).arg(online ? "restored" : "dropped"));
}

QString AlarmPrinter::Escaped(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const ushort code = c.unicode();
        // C0 and C1 controls, DEL and the Unicode line and paragraph separators.
        const bool control = code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029;
        if (code == '\\')
            shown += QStringLiteral("\\\\");
        else if (control)
            shown += QStringLiteral("\\x%1").arg(code, code > 0xFF ? 4 : 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

void AlarmPrinter::Line(const QString& text)
{
    const QByteArray line = Escaped(text).toUtf8() + '\n';
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fflush(stdout);
}
