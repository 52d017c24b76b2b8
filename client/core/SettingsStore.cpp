#include "SettingsStore.h"

#include <QMutexLocker>

#include <new>

SettingsStore::SettingsStore() = default;

SettingsStore::~SettingsStore() = default;

bool SettingsStore::Open(const QString& fileName, QSettings::Format format)
{
    QMutexLocker lock(&mutex);
    std::unique_ptr<QSettings> opened(new (std::nothrow) QSettings(fileName, format));
    if (!opened)
        return false;
    opened->setIniCodec("UTF-8");
    Close();
    settings = std::move(opened);
    return true;
}

void SettingsStore::Close()
{
    QMutexLocker lock(&mutex);
    if (!settings)
        return;
    settings.reset();
    defaults.clear();
}

QVariant SettingsStore::GetValue(const QString& key, bool useDefault)
{
    QMutexLocker lock(&mutex);
    if (!settings)
        return QVariant(-1);
    return settings->value(key, useDefault ? defaults.value(key) : QVariant());
}

bool SettingsStore::SetValue(const QString& key, const QVariant& value)
{
    QMutexLocker lock(&mutex);
    if (!settings)
        return false;
    settings->setValue(key, value);
    return true;
}

void SettingsStore::SetDefault(const QString& key, const QVariant& value)
{
    QMutexLocker lock(&mutex);
    defaults.insert(key, value);
}

bool SettingsStore::WriteMissingDefaults()
{
    QMutexLocker lock(&mutex);
    if (!settings)
        return false;
    const QStringList present = settings->allKeys();
    for (auto entry = defaults.cbegin(); entry != defaults.cend(); ++entry) {
        if (!present.contains(entry.key(), Qt::CaseSensitive) && entry.value().isValid() && !entry.value().isNull())
            settings->setValue(entry.key(), entry.value());
    }
    return true;
}

bool SettingsStore::Sync()
{
    QMutexLocker lock(&mutex);
    if (!settings)
        return false;
    settings->sync();
    return settings->status() == QSettings::NoError;
}
