#include "dialogs/SettingsBatch.h"

#include "core/Logging.h"
#include "core/SettingsStore.h"

void SettingsBatch::Add(const QString& key, const QVariant& value)
{
    m_values.append({key, value});
}

bool SettingsBatch::Commit(SettingsStore* store) const
{
    constexpr const char* method = "SettingsBatch::Commit";
    if (!store) {
        LoggerFor("SettingsBatch")->error("{}, no settings store", method);
        return false;
    }
    QList<QPair<QString, QVariant>> previous;
    for (const auto& entry : m_values)
        previous.append({entry.first, store->GetValue(entry.first, false)});

    bool written = true;
    for (const auto& entry : m_values) {
        if (!store->SetValue(entry.first, entry.second)) {
            LoggerFor("SettingsBatch")->error("{}, writing {} failed", method, entry.first.toStdString());
            written = false;
            break;
        }
    }
    if (written && store->Sync())
        return true;

    LoggerFor("SettingsBatch")->error("{}, config.ini was not written, the earlier values stay", method);
    // The store would otherwise keep the new values pending and write them
    // with the next successful sync, long after the operator was told they
    // were refused. A key the file lacked keeps the new value in memory only.
    for (const auto& entry : previous) {
        if (entry.second.isValid())
            store->SetValue(entry.first, entry.second);
    }
    return false;
}
