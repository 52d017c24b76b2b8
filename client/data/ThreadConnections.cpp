#include "ThreadConnections.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <atomic>
#include <vector>

namespace {

// A busy file (another process writing, a checkpoint) is waited for this long
// before a statement gives up.
constexpr int kBusyTimeoutMs = 5000;

// Closes, when a thread ends, the connections it opened. Thread-pool and SDK
// threads come and go; without this each would leave an open file behind.
class ThreadExitRelease
{
public:
    ~ThreadExitRelease()
    {
        for (const std::weak_ptr<ThreadConnections>& watched : registries) {
            if (const std::shared_ptr<ThreadConnections> registry = watched.lock())
                registry->ReleaseCurrentThread();
        }
    }

    void Watch(const std::shared_ptr<ThreadConnections>& registry)
    {
        for (const std::weak_ptr<ThreadConnections>& watched : registries) {
            if (!watched.owner_before(registry) && !registry.owner_before(watched))
                return;
        }
        registries.push_back(registry);
    }

private:
    std::vector<std::weak_ptr<ThreadConnections>> registries;
};

thread_local ThreadExitRelease threadExitRelease;
thread_local QString threadOpenError;

QString NextNamePrefix()
{
    static std::atomic<int> serial{0};
    return QStringLiteral("Corvane.db-%1-").arg(++serial);
}

} // namespace

std::shared_ptr<ThreadConnections> ThreadConnections::Create()
{
    return std::shared_ptr<ThreadConnections>(new ThreadConnections());
}

ThreadConnections::ThreadConnections() : namePrefix(NextNamePrefix())
{
}

ThreadConnections::~ThreadConnections()
{
    CloseAll();
}

void ThreadConnections::SetPath(const QString& newPath)
{
    const std::lock_guard<std::mutex> lock(connectionsMutex);
    path = newPath;
}

QString ThreadConnections::OpenError() const
{
    return threadOpenError;
}

QSqlDatabase ThreadConnections::ForCurrentThread()
{
    {
        const std::lock_guard<std::mutex> lock(connectionsMutex);
        const auto found = connections.constFind(QThread::currentThreadId());
        if (found != connections.constEnd())
            return *found;
    }
    // Opened outside the map's lock: only this thread adds its own entry.
    return OpenForCurrentThread();
}

QSqlDatabase ThreadConnections::OpenForCurrentThread()
{
    QString path;
    {
        const std::lock_guard<std::mutex> lock(connectionsMutex);
        path = this->path;
    }
    if (path.isEmpty()) {
        threadOpenError = QStringLiteral("database is not open");
        return QSqlDatabase();
    }
    const Qt::HANDLE thread = QThread::currentThreadId();
    const QString name = namePrefix + QString::number(reinterpret_cast<quintptr>(thread), 16);
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(path);
        database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
        if (database.open()) {
            // An alarm is acknowledged to its device once its row is committed:
            // the commit must survive a power cut, so the log is synced at each
            // one (with the WAL journal that is one sync of the appended pages).
            QSqlQuery(database).exec(QStringLiteral("PRAGMA synchronous=FULL"));
            {
                const std::lock_guard<std::mutex> lock(connectionsMutex);
                connections.insert(thread, database);
            }
            WatchCurrentThreadExit();
            return database;
        }
        threadOpenError = database.lastError().text();
    }
    QSqlDatabase::removeDatabase(name);
    return QSqlDatabase();
}

void ThreadConnections::WatchCurrentThreadExit()
{
    threadExitRelease.Watch(shared_from_this());
}

void ThreadConnections::ReleaseCurrentThread()
{
    QSqlDatabase database;
    {
        const std::lock_guard<std::mutex> lock(connectionsMutex);
        database = connections.take(QThread::currentThreadId());
    }
    if (!database.isValid())
        return;
    const QString name = database.connectionName();
    database.close();
    database = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

void ThreadConnections::CloseAll()
{
    // Closing another thread's connection is safe here: the caller holds the
    // exclusive lock, so no query of that thread is running or alive.
    QHash<Qt::HANDLE, QSqlDatabase> closing;
    {
        const std::lock_guard<std::mutex> lock(connectionsMutex);
        closing.swap(connections);
        path.clear();
    }
    QStringList names;
    for (QSqlDatabase& database : closing) {
        names << database.connectionName();
        database.close();
    }
    closing.clear();
    for (const QString& name : qAsConst(names))
        QSqlDatabase::removeDatabase(name);
}
