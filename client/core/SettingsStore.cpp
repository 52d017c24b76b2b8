#include "SettingsStore.h"

#include <new>

SettingsStore::SettingsStore() = default;

SettingsStore::~SettingsStore() = default;

bool SettingsStore::Open(const QString& fileName, QSettings::Format format)
{
    const std::lock_guard<std::recursive_mutex> lock(mutex);
    std::unique_ptr<QSettings> opened(new (std::nothrow) QSettings(fileName, format));
    if (!opened)
        return false;
    opened->setIniCodec("UTF-8");
    Close();
    settings = std::move(opened);
    openedName = fileName;
    openedFormat = format;
    return true;
}

void SettingsStore::Close()
{
    const std::lock_guard<std::recursive_mutex> lock(mutex);
    if (!settings)
        return;
    settings.reset();
    defaults.clear();
    pendingWas.clear();
}

QVariant SettingsStore::GetValue(const QString& key, bool useDefault)
{
    const std::lock_guard<std::recursive_mutex> lock(mutex);
    if (!settings)
        return QVariant(-1);
    return settings->value(key, useDefault ? defaults.value(key) : QVariant());
}

bool SettingsStore::SetValue(const QString& key, const QVariant& value)
{
    const std::lock_guard<std::recursive_mutex> lock(mutex);
    if (!settings)
        return false;
    if (!pendingWas.contains(key))
        pendingWas.insert(key, settings->contains(key) ? settings->value(key) : QVariant());
    settings->setValue(key, value);
    return true;
}

void SettingsStore::SetDefault(const QString& key, const QVariant& value)
{
    const std::lock_guard<std::recursive_mutex> lock(mutex);
    defaults.insert(key, value);
}

bool SettingsStore::WriteMissingDefaults()
{
    const std::lock_guard<std::recursive_mutex> lock(mutex);
    if (!settings)
        return false;
    const QStringList present = settings->allKeys();
    for (auto entry = defaults.cbegin(); entry != defaults.cend(); ++entry) {
        if (!present.contains(entry.key(), Qt::CaseSensitive) && entry.value().isValid() && !entry.value().isNull())
            SetValue(entry.key(), entry.value());
    }
    return true;
}

bool SettingsStore::Sync()
{
    const std::lock_guard<std::recursive_mutex> lock(mutex);
    if (!settings)
        return false;
    if (WriteFile()) {
        pendingWas.clear();
        return true;
    }
    TakeBackPending();
    return false;
}

bool SettingsStore::WriteFile()
{
    // QSettings keeps its first error for its whole life: after one refused
    // write its status would fail every later sync, also one that wrote.
    if (settings->status() != QSettings::NoError)
        ReopenClearingStatus();
    settings->sync();
    return settings->status() == QSettings::NoError;
}

void SettingsStore::TakeBackPending()
{
    for (auto entry = pendingWas.cbegin(); entry != pendingWas.cend(); ++entry) {
        if (entry.value().isValid())
            settings->setValue(entry.key(), entry.value());
        else
            settings->remove(entry.key());
    }
    pendingWas.clear();
}

void SettingsStore::ReopenClearingStatus()
{
    // Made before the old object goes, so that both share Qt's cached copy of
    // the file and the pending changes in it carry over.
    std::unique_ptr<QSettings> fresh(new (std::nothrow) QSettings(openedName, openedFormat));
    if (!fresh)
        return;
    fresh->setIniCodec("UTF-8");
    settings = std::move(fresh);
}
