#pragma once

#include <QHash>
#include <QReadWriteLock>
#include <QRecursiveMutex>
#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <mutex>

// One named SQLite connection per calling thread, all onto the same file.
//
// Qt forbids using a QSqlDatabase from any thread but the one that opened it,
// while the client calls the database from the GUI thread, the device SDK's
// threads and the thread pool. Each thread therefore gets its own connection on
// first use; it is closed when the thread ends or by CloseAll, whichever comes
// first.
//
// The file is in WAL mode, where readers and one writer work side by side, so
// the locks follow it: a statement that only reads holds a ReadLock and runs
// beside everything else; one that writes holds a WriteLock, and writes go one
// at a time. Opening, closing and switching files hold an ExclusiveLock, which
// waits until no statement runs: only then are other threads' connections
// closed. Members other than the lock classes are called under one of them.
class ThreadConnections : public std::enable_shared_from_this<ThreadConnections>
{
public:
    class ReadLock
    {
    public:
        explicit ReadLock(ThreadConnections& c) : open(&c.openLock) { }

    private:
        QReadLocker open;
    };
    class WriteLock
    {
    public:
        explicit WriteLock(ThreadConnections& c) : write(&c.writeMutex), open(&c.openLock) { }

    private:
        QMutexLocker write;
        QReadLocker open;
    };
    class ExclusiveLock
    {
    public:
        explicit ExclusiveLock(ThreadConnections& c) : write(&c.writeMutex), open(&c.openLock) { }

    private:
        QMutexLocker write;
        QWriteLocker open;
    };

    static std::shared_ptr<ThreadConnections> Create();
    ~ThreadConnections();

    ThreadConnections(const ThreadConnections&) = delete;
    ThreadConnections& operator=(const ThreadConnections&) = delete;

    // Later connections open this file; an empty path means closed.
    void SetPath(const QString& path);

    // The calling thread's connection, opened on first use. When the database
    // is closed or the open fails, the result is not open and OpenError() says
    // why (the calling thread's last failure).
    QSqlDatabase ForCurrentThread();
    QString OpenError() const;

    // Closes and removes every thread's connection and forgets the path.
    void CloseAll();

    // Closes the calling thread's connection, if it has one. Needs no lock:
    // it runs as the thread ends, when it runs no statement.
    void ReleaseCurrentThread();

private:
    ThreadConnections();

    QSqlDatabase OpenForCurrentThread();
    void WatchCurrentThreadExit();

    // Lock order: writeMutex, then openLock, then connectionsMutex.
    QRecursiveMutex writeMutex;
    QReadWriteLock openLock{QReadWriteLock::Recursive};
    // Guards the map and the path, which concurrent readers touch.
    mutable std::mutex connectionsMutex;
    QString path;
    const QString namePrefix;
    QHash<Qt::HANDLE, QSqlDatabase> connections;
};
