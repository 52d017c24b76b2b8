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
    QVariantList values;  // the period's first and last second come first
    QString table;
    QString timeColumn;
    // No condition but the period (and the row bound, when `values` holds one).
    bool periodOnly = false;

    bool IsEmpty() const { return filter.isEmpty(); }

    // Takes `values`.
    // Also answers the highest row id counted, the bound of the search's pages.
    QString CountStatement() const
    {
        return QStringLiteral("select count(*) as Num, max(rowid) as Bound from ") + filter;
    }
    // The rows of a period-only search counted as the table's rows less those
    // outside the period: a step per page of the table and a step per row
    // outside, where counting the period costs a step per row inside.
    // Takes the row bound (unless `bound` is false: the highest row id now),
    // then the period's first and last second. Answers what CountStatement does.
    QString CountOutsideStatement(bool bound) const
    {
        const QString bounded = QStringLiteral("rowid <= (select id from bound)");
        return QStringLiteral("with bound(id) as (%1) select (select count(*) from %2)"
                              " - (select count(*) from %2 where rowid > (select id from bound))"
                              " - (select count(*) from %2 where %3 < ? and %4)"
                              " - (select count(*) from %2 where %3 > ? and %4)"
                              " - (select count(*) from %2 where %3 is null and %4) as Num,"
                              " (select id from bound) as Bound")
            .arg(bound ? QStringLiteral("select ?")
                       : QStringLiteral("select coalesce(max(rowid), 0) from %1").arg(table),
                 table, timeColumn, bounded);
    }
    // The earliest and the latest stored time of the table; no values.
    QString StoredPeriodStatement() const
    {
        return QStringLiteral("select (select min(%1) from %2) as First, (select max(%1) from %2) as Last")
            .arg(timeColumn, table);
    }
    // Takes `values`, then the page size and the row offset.
    QString PageStatement(bool fromFarEnd = false) const
    {
        return QStringLiteral("select %1 from %2 %3 limit ? offset ?")
            .arg(columns, filter, fromFarEnd ? reverseOrder : order);
    }
};
