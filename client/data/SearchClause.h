#pragma once

#include <QString>
#include <QVariantList>

// The table and filter of one record search, with the values its placeholders
// take in order, and the ordering of its result pages. The count statement uses
// `filter` alone; page statements add `order`, a limit and an offset.
struct SearchClause
{
    QString filter; // "<table> where ..." with "?" placeholders
    QString order;  // "order by ..."
    QVariantList values;

    bool IsEmpty() const { return filter.isEmpty(); }
};
