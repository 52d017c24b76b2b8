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
    for (const auto& entry : m_values) {
        if (!store->SetValue(entry.first, entry.second)) {
            LoggerFor("SettingsBatch")->error("{}, writing {} failed", method, entry.first.toStdString());
            return false;
        }
    }
    // A refused sync takes every value of the batch back in the store.
    if (store->Sync())
        return true;
    LoggerFor("SettingsBatch")->error("{}, config.ini was not written, the earlier values stay", method);
    return false;
}
