#pragma once

#include <QDateTime>
#include <QString>

// The devices stamp alarms with one packed 32-bit word of local wall-clock
// time: seconds in bits 0-5, minutes 6-11, hours 12-16, day 17-21, month 22-25
// and the year minus 2000 in bits 26-31.

// The local time of a packed word; an invalid QDateTime when any field is out
// of range (month 0 or 13, day 31 in a 30-day month, hour 24, minute 60, ...).
QDateTime DecodePackedTime(quint32 packed);

// Fills `format` with year (%1, width 4), month, day, hour, minute and second
// (%2 to %6, two digits each): "%1%2%3%4%5%6" gives the stored 14-digit text.
// A word that holds no valid time is logged and replaced by `received`, the
// time the client got the alarm: an empty or invented time would hide the
// stored alarm from every search by time.
QString FormatPackedTime(quint32 packed, const QString& format,
                         const QDateTime& received = QDateTime::currentDateTime());

// Shows a stored "yyyyMMddHHmmss" text as "yyyy_MM_dd HH:mm:ss". The text is
// cut by position, not validated: a shorter text gives shorter fields.
QString FormatCompactTime(const QString& compact);
