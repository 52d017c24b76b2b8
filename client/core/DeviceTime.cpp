#include "DeviceTime.h"

#include "Logging.h"

namespace {

struct PackedFields
{
    int year, month, day, hour, minute, second;
};

PackedFields Unpack(quint32 packed)
{
    return {int(packed >> 26) + 2000,   int((packed >> 22) & 0xF), int((packed >> 17) & 0x1F),
            int((packed >> 12) & 0x1F), int((packed >> 6) & 0x3F), int(packed & 0x3F)};
}

bool IsValid(const PackedFields& f)
{
    return QDate::isValid(f.year, f.month, f.day) && QTime::isValid(f.hour, f.minute, f.second);
}

PackedFields FieldsOf(const QDateTime& time)
{
    const QDate date = time.date();
    const QTime clock = time.time();
    return {date.year(), date.month(), date.day(), clock.hour(), clock.minute(), clock.second()};
}

} // namespace

QDateTime DecodePackedTime(quint32 packed)
{
    const PackedFields f = Unpack(packed);
    if (!IsValid(f))
        return QDateTime();
    return QDateTime(QDate(f.year, f.month, f.day), QTime(f.hour, f.minute, f.second), Qt::LocalTime);
}

QString FormatPackedTime(quint32 packed, const QString& format, const QDateTime& received)
{
    // Formatted from the fields themselves, not through QDateTime, so a wall-clock
    // time inside a daylight-saving gap is shown as the device sent it.
    PackedFields f = Unpack(packed);
    if (!IsValid(f)) {
        LoggerFor("Corvane")->warn(
            "{}, 设备时间无效: 0x{:08x} ({:04d}-{:02d}-{:02d} {:02d}:{:02d}:{:02d}), 使用接收时间 {}",
            "FormatPackedTime", packed, f.year, f.month, f.day, f.hour, f.minute, f.second,
            received.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        f = FieldsOf(received);
    }
    const QChar zero('0');
    return format.arg(f.year, 4, 10, QChar(' '))
        .arg(f.month, 2, 10, zero)
        .arg(f.day, 2, 10, zero)
        .arg(f.hour, 2, 10, zero)
        .arg(f.minute, 2, 10, zero)
        .arg(f.second, 2, 10, zero);
}

QString FormatCompactTime(const QString& compact)
{
    return QStringLiteral("%1_%2_%3 %4:%5:%6")
        .arg(compact.mid(0, 4), compact.mid(4, 2), compact.mid(6, 2), compact.mid(8, 2), compact.mid(10, 2),
             compact.mid(12, 3));
}
