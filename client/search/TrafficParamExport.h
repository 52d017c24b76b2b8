#pragma once

#include "core/TrafficParam.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// Appends traffic-parameter rows to a CSV file as GBK lines: a header, then one
// line per exported row. Runs on a pool thread, so it works on copies of the
// rows and of the checked row numbers taken on the GUI thread.
//
// The count it reports is the rows whose bytes reached the file: a file that
// cannot be opened, a short write (a full disk) or a failing close ends the
// export as a failure with what was written so far, never as a success.
class TrafficParamExport
{
public:
    struct Outcome
    {
        bool ok = false;
        int written = 0; // rows whose lines are wholly in the file
        int failed = 0;  // rows meant for the file and not in it
        QString error;   // the file's error text when not ok
    };

    // The rows of `rows` whose row number is in `checkedRowNos`, in list order.
    static Outcome Append(const QString& path, const QList<TrafficParam>& rows, const QSet<int>& checkedRowNos);

    static QString HeaderLine();
    static QString LineOf(const TrafficParam& row);
    // The row's sixteen fields as the result table shows them and the file holds them.
    static QStringList FieldsOf(const TrafficParam& row);
};
