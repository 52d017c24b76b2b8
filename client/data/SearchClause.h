#pragma once

#include <QString>
#include <QVariantList>

// The statements of one record search: the table and filter of its condition
// with the values its placeholders take in order, the columns of a result row
// and the ordering of the pages.
struct SearchClause
{
    QString columns; // selected columns of one record
    QString filter;  // "<table> where ..." with "?" placeholders
    QString order;   // "order by ..."
    QVariantList values;

    bool IsEmpty() const { return filter.isEmpty(); }

    // Takes `values`.
    QString CountStatement() const { return QStringLiteral("select count(*) as Num from ") + filter; }
    // Takes `values`, then the page size and the row offset.
    QString PageStatement() const
    {
        return QStringLiteral("select %1 from %2 %3 limit ? offset ?").arg(columns, filter, order);
    }
};
