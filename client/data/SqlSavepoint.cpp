#include "SqlSavepoint.h"

#include <QSqlQuery>

SqlSavepoint::SqlSavepoint(const QSqlDatabase& database) : database(database)
{
    open = Run(QStringLiteral("SAVEPOINT corvane"));
}

SqlSavepoint::~SqlSavepoint()
{
    if (open) {
        Run(QStringLiteral("ROLLBACK TO corvane"));
        Run(QStringLiteral("RELEASE corvane"));
    }
}

bool SqlSavepoint::Commit()
{
    if (!open)
        return false;
    open = !Run(QStringLiteral("RELEASE corvane"));
    return !open;
}

bool SqlSavepoint::Run(const QString& statement)
{
    QSqlQuery query(database);
    if (query.exec(statement))
        return true;
    lastError = query.lastError();
    return false;
}
