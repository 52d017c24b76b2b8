#include "ApplicationDir.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString ApplicationDirPath()
{
    const QByteArray overridden = qgetenv("CORVANE_APP_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(QString::fromLocal8Bit(overridden));
    return QCoreApplication::applicationDirPath();
}

QDir ApplicationDir()
{
    return QDir(ApplicationDirPath());
}

namespace {

// Makes the folder and its missing parents; 0 or the errno of the first that failed.
int MakeFolders(const QString& folder)
{
    const QFileInfo info(folder);
    if (info.isDir())
        return 0;
    const QString parent = info.absolutePath();
    if (parent != info.absoluteFilePath())
        if (const int error = MakeFolders(parent))
            return error;
    if (::mkdir(QFile::encodeName(info.absoluteFilePath()).constData(), 0755) == 0)
        return 0;
    if (errno != EEXIST)
        return errno;
    // Something that is no folder holds the name.
    return QFileInfo(folder).isDir() ? 0 : ENOTDIR;
}

// Creates and removes a file in the folder; 0 or the errno of the failure.
int ProbeWrite(const QString& folder)
{
    QByteArray name = QFile::encodeName(folder + QStringLiteral("/.corvane-probe-XXXXXX"));
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return errno;
    ::close(fd);
    ::unlink(name.constData());
    return 0;
}

} // namespace

QString FolderWriteProblem(const QString& folder)
{
    // QDir::mkpath and QFile say only that it failed, or "No such file or
    // directory" for the file that would have gone into the missing folder.
    int error = MakeFolders(folder);
    if (!error)
        error = ProbeWrite(folder);
    return error ? QString::fromLocal8Bit(std::strerror(error)) : QString();
}
