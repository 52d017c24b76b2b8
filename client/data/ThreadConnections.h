#pragma once

#include <QHash>
#include <QRecursiveMutex>
#include <QSqlDatabase>
#include <QString>

#include <memory>

// One named SQLite connection per calling thread, all onto the same file.
//
// Qt forbids using a QSqlDatabase from any thread but the one that opened it,
// while the client calls the database from the GUI thread, the device SDK's
// threads and the thread pool. Each thread therefore gets its own connection on
// first use; it is closed when the thread ends or by CloseAll, whichever comes
// first. Every member expects the caller to hold Mutex(), the one lock that
// serialises all statements of the database layer.
class ThreadConnections : public std::enable_shared_from_this<ThreadConnections>
{
public:
    static std::shared_ptr<ThreadConnections> Create();
    ~ThreadConnections();

    ThreadConnections(const ThreadConnections&) = delete;
    ThreadConnections& operator=(const ThreadConnections&) = delete;

    QRecursiveMutex& Mutex() { return mutex; }

    // Later connections open this file; an empty path means closed.
    void SetPath(const QString& path);
    QString Path() const { return path; }

    // The calling thread's connection, opened on first use. When the database
    // is closed or the open fails, the result is not open and OpenError() says why.
    QSqlDatabase ForCurrentThread();
    QString OpenError() const { return openError; }

    // Closes and removes every thread's connection and forgets the path.
    void CloseAll();

    // Closes the calling thread's connection, if it has one.
    void ReleaseCurrentThread();

private:
    ThreadConnections();

    QSqlDatabase OpenForCurrentThread();
    void WatchCurrentThreadExit();

    QRecursiveMutex mutex;
    QString path;
    QString openError;
    const QString namePrefix;
    QHash<Qt::HANDLE, QSqlDatabase> connections;
};
