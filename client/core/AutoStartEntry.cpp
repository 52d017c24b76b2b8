#include "AutoStartEntry.h"

#include "Logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr const char* kLogger = "AutoStartEntry";

QString ConfigHome()
{
    // The base directory specification ignores an empty or relative value.
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + QStringLiteral("/.config");
}

} // namespace

QString AutoStartEntry::FilePath()
{
    return ConfigHome() + QStringLiteral("/autostart/Corvane.desktop");
}

QString AutoStartEntry::QuotedExecArgument(const QString& programPath)
{
    // Inside double quotes the Exec rules escape ", `, $ and \ with a backslash.
    QString quoted;
    for (const QChar c : programPath) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted = QLatin1Char('"') + quoted + QLatin1Char('"');
    // A literal percent sign would start a field code.
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    // The value is then a string of the file format, whose own escapes apply on
    // top: a reader first undoes these, then the quoting above.
    QString escaped;
    for (const QChar c : quoted) {
        switch (c.unicode()) {
        case '\\': escaped += QStringLiteral("\\\\"); break;
        case '\n': escaped += QStringLiteral("\\n"); break;
        case '\t': escaped += QStringLiteral("\\t"); break;
        case '\r': escaped += QStringLiteral("\\r"); break;
        default: escaped += c;
        }
    }
    return escaped;
}

QByteArray AutoStartEntry::ContentFor(const QString& programPath)
{
    const QString content = QStringLiteral("[Desktop Entry]\n"
                                           "Type=Application\n"
                                           "Version=1.0\n"
                                           "Name=Corvane\n"
                                           "Comment=Traffic incident detection client\n"
                                           "Exec=%1\n"
                                           "Terminal=false\n"
                                           "X-GNOME-Autostart-enabled=true\n")
                                .arg(QuotedExecArgument(programPath));
    return content.toUtf8();
}

std::optional<QByteArray> AutoStartEntry::Current()
{
    QFile file(FilePath());
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray(); // unreadable: never equal to a wanted content
    return file.readAll();
}

bool AutoStartEntry::IsEnabledFor(const QString& programPath)
{
    return Current() == ContentFor(programPath);
}

bool AutoStartEntry::Enable(const QString& programPath)
{
    if (!QFileInfo(programPath).isAbsolute()) {
        LoggerFor(kLogger)->error("{}, program path {} is not absolute", "AutoStartEntry::Enable",
                                  programPath.toStdString());
        return false;
    }
    const QByteArray wanted = ContentFor(programPath);
    if (Current() == wanted)
        return true;
    return Write(wanted);
}

bool AutoStartEntry::Disable()
{
    QFile file(FilePath());
    if (!file.exists())
        return true;
    if (!file.remove()) {
        LoggerFor(kLogger)->error("{}, removing {} failed: {}", "AutoStartEntry::Disable", FilePath().toStdString(),
                                  file.errorString().toStdString());
        return false;
    }
    return true;
}

bool AutoStartEntry::Restore(const std::optional<QByteArray>& content)
{
    if (!content)
        return Disable();
    return Current() == *content || Write(*content);
}

bool AutoStartEntry::Write(const QByteArray& content)
{
    constexpr const char* method = "AutoStartEntry::Write";
    const QString path = FilePath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        LoggerFor(kLogger)->error("{}, cannot create the folder of {}", method, path.toStdString());
        return false;
    }
    // Written aside and renamed, so a session starting meanwhile never reads half an entry.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        LoggerFor(kLogger)->error("{}, writing {} failed: {}", method, path.toStdString(),
                                  file.errorString().toStdString());
        return false;
    }
    return true;
}
