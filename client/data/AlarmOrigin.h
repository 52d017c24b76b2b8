#pragma once

#include <QString>
#include <QtGlobal>

// Where a pushed alarm came from: its device ("address:port"), the device's
// alarm run and the alarm's number in that run (from 1). An alarm record
// inserted with its origin records the number in the same transaction, so an
// alarm its device sends again (after a killed client or a power cut) is
// recognised instead of stored twice. Number 0: no origin known.
struct AlarmOrigin
{
    QString device;
    quint64 runId = 0;
    quint32 number = 0;

    bool IsKnown() const { return number != 0 && !device.isEmpty(); }
};
