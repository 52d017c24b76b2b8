#include "ImplementInstance.h"

#include "ApplicationDir.h"
#include "IncidentVocabulary.h"
#include "Logging.h"

#include <new>

ImplementInstance* ImplementInstance::instance = nullptr;

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
    if (!config.Open(ApplicationDirPath() + QStringLiteral("/config.ini"), QSettings::IniFormat))
        LoggerFor("ImplementInstance")->error("{}, Read config.ini Error!", method);
    RegisterDefaults();
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
    for (const IncidentTypeEntry& type : IncidentTypes())
        config.SetDefault(QString::fromLatin1(type.settingsKey), 1);
}
