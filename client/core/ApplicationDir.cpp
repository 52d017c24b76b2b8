#include "ApplicationDir.h"

#include <QCoreApplication>

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
