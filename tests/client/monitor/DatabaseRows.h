#pragma once
// Reads the client's Corvane.db through a connection of the test's own, as
// another program would, while the client writes it.

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>

// Rows of a table, read through a connection of the test's own.
inline int RowCount(const QString& databasePath, const QString& table)
{
    int count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("test-reader"));
        db.setDatabaseName(databasePath);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("select count(*) from %1").arg(table)) && query.next())
                count = query.value(0).toInt();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("test-reader"));
    return count;
}

inline QList<QStringList> Rows(const QString& databasePath, const QString& sql)
{
    QList<QStringList> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("test-reader"));
        db.setDatabaseName(databasePath);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(sql))
                while (query.next()) {
                    QStringList row;
                    for (int i = 0; i < query.record().count(); ++i)
                        row << query.value(i).toString();
                    rows << row;
                }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("test-reader"));
    return rows;
}
