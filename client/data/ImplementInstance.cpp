#include "ImplementInstance.h"

#include "core/ApplicationDir.h"
#include "core/IncidentVocabulary.h"
#include "core/Logging.h"

#include <QDateTime>
#include <QFile>
#include <QTextCodec>

#include <new>

ImplementInstance* ImplementInstance::instance = nullptr;

namespace {

// Whether the settings reader would take the file for what it is: text in
// UTF-8 without NUL bytes that the INI reader accepts. A missing file is fine.
bool IsReadableConfig(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (bytes.contains('\0'))
        return false;
    QTextCodec::ConverterState state;
    QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars > 0)
        return false;
    return QSettings(path, QSettings::IniFormat).status() == QSettings::NoError;
}

// Renames the file to "<path>.unreadable_yyyy-MM-dd_HH-mm-ss" (with "_2", "_3"
// ... when taken); the new name, or empty when it could not be moved.
QString MoveAside(const QString& path)
{
    const QString dated = path + QStringLiteral(".unreadable_") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    for (int attempt = 1; attempt < 100; ++attempt) {
        const QString name = attempt == 1 ? dated : dated + QStringLiteral("_%1").arg(attempt);
        if (!QFile::exists(name))
            return QFile::rename(path, name) ? name : QString();
    }
    return QString();
}

} // namespace

bool ImplementInstance::CreateInstance()
{
    if (!instance)
        instance = new (std::nothrow) ImplementInstance();
    return instance != nullptr;
}

void ImplementInstance::DestroyInstance()
{
    delete instance;
    instance = nullptr;
}

ImplementInstance* ImplementInstance::GetInstance()
{
    return instance;
}

void ImplementInstance::InitImplementInstance()
{
    constexpr const char* method = "ImplementInstance::InitImplementInstance";
    const QString path = ApplicationDirPath() + QStringLiteral("/config.ini");
    // Writing the defaults into a file the reader cannot take would destroy
    // what it holds: it is kept under another name and the client starts from
    // the defaults. When it cannot be moved, it is not written either.
    bool writeDefaults = true;
    if (!IsReadableConfig(path)) {
        const QString keptAs = MoveAside(path);
        configUnreadable = true;
        configKeptAs = keptAs;
        if (keptAs.isEmpty()) {
            LoggerFor("ImplementInstance")
                ->error("{}, config.ini 无法读取，也无法改名保存，本次不写入: {}", method, path);
            writeDefaults = false;
        } else {
            LoggerFor("ImplementInstance")
                ->error("{}, config.ini 无法读取，已改名保存为 {}，使用默认设置", method, keptAs);
        }
    }
    if (!config.Open(path, QSettings::IniFormat))
        LoggerFor("ImplementInstance")->error("{}, Read config.ini Error!", method);
    RegisterDefaults();
    if (!writeDefaults)
        return;
    config.WriteMissingDefaults();
    // Written now rather than at exit, so the file is complete from the start
    // and an unwritable file is noticed.
    if (!config.Sync())
        LoggerFor("ImplementInstance")->error("{}, Write config.ini Error!", method);
}

void ImplementInstance::RegisterDefaults()
{
    // "Param/CutVideo" has no default on purpose: while the file lacks it, it
    // reads as 0, which is "on".
    config.SetDefault(QStringLiteral("Param/AutoStart"), 0);
    config.SetDefault(QStringLiteral("Param/SpeakText"), 1);
    config.SetDefault(QStringLiteral("Param/SaveDataPath"), ApplicationDirPath() + QStringLiteral("/data"));
    config.SetDefault(QStringLiteral("Param/VideoTime"), 30);
    config.SetDefault(QStringLiteral("Param/StreamType"), 0);
    config.SetDefault(QStringLiteral("Param/IllegalRecord"), 1);
    config.SetDefault(QStringLiteral("Incident/CheckeAll"), 1);
    // RTSP play: local RTP/RTCP ports from 30000 on, 100 even/odd pairs, and
    // the transport (0 UDP, 1 interleaved in the RTSP connection, 2 TCP).
    config.SetDefault(QStringLiteral("Rtsp/LocalPortStart"), 30000);
    config.SetDefault(QStringLiteral("Rtsp/LocalPortCount"), 100);
    config.SetDefault(QStringLiteral("Rtsp/Transport"), 1);
    for (const IncidentTypeEntry& type : IncidentTypes())
        config.SetDefault(QString::fromLatin1(type.settingsKey), 1);
}
