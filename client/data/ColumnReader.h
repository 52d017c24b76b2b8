#pragma once

#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <utility>
#include <vector>

// Reads the current row of a query by column name, looking each name up once
// per result: QSqlQuery::value(name) searches the record's names on every
// call, which on a page of rows costs more than reading the values.
class ColumnReader
{
public:
    explicit ColumnReader(const QSqlQuery& query) : query(query), record(query.record()) { }

    QString Text(const char* name) { return Value(name).toString(); }
    qint32 Int(const char* name) { return Value(name).toInt(); }
    quint32 UInt(const char* name) { return Value(name).toUInt(); }
    float Float(const char* name) { return Value(name).toFloat(); }

private:
    QVariant Value(const char* name)
    {
        // Keyed by the literal's address: every call site passes a literal.
        for (const auto& [known, index] : indexes) {
            if (known == name)
                return query.value(index);
        }
        const int index = record.indexOf(QLatin1String(name));
        indexes.emplace_back(name, index);
        return query.value(index);
    }

    const QSqlQuery& query;
    const QSqlRecord record;
    std::vector<std::pair<const char*, int>> indexes;
};
