#pragma once

#include <QSqlDatabase>
#include <QSqlError>

// A transaction that nests: a SAVEPOINT when made, released by Commit, rolled
// back as a whole when it goes out of scope uncommitted. Several statements
// that must stand or fall together run inside one.
class SqlSavepoint
{
public:
    explicit SqlSavepoint(const QSqlDatabase& database);
    ~SqlSavepoint();

    SqlSavepoint(const SqlSavepoint&) = delete;
    SqlSavepoint& operator=(const SqlSavepoint&) = delete;

    bool IsOpen() const { return open; }
    bool Commit();
    QSqlError LastError() const { return lastError; }

private:
    bool Run(const QString& statement);

    QSqlDatabase database;
    QSqlError lastError;
    bool open = false;
};
