#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

class SettingsStore;

// The values one save of a settings dialog writes, gathered after every field
// was checked and written together: either config.ini holds all of them
// afterwards, or the store is put back to what it held before and the caller
// reports the failure.
class SettingsBatch
{
public:
    void Add(const QString& key, const QVariant& value);
    const QList<QPair<QString, QVariant>>& Values() const { return m_values; }

    // Writes every value and syncs the file. False (nothing changed in the
    // store's view) when a write or the sync fails, or `store` is null.
    bool Commit(SettingsStore* store) const;

private:
    QList<QPair<QString, QVariant>> m_values;
};
