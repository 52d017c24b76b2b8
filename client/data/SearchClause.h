#pragma once

#include <QString>
#include <QVariantList>

// The statements of one record search: the table and filter of its condition
// with the values its placeholders take in order, the columns of a result row
// and the ordering of the pages.
struct SearchClause
{
    QString columns;      // selected columns of one record
    QString filter;       // "<table> where ..." with "?" placeholders
    QString order;        // "order by ..."
    QString reverseOrder; // `order` with every direction turned
    QVariantList values;

    bool IsEmpty() const { return filter.isEmpty(); }

    // Takes `values`.
    // Also answers the highest row id counted, the bound of the search's pages.
    QString CountStatement() const
    {
        return QStringLiteral("select count(*) as Num, max(rowid) as Bound from ") + filter;
    }
    // Takes `values`, then the page size and the row offset.
    QString PageStatement(bool fromFarEnd = false) const
    {
        return QStringLiteral("select %1 from %2 %3 limit ? offset ?")
            .arg(columns, filter, fromFarEnd ? reverseOrder : order);
    }
};
