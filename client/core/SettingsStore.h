#pragma once

#include <QMap>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>
#include <mutex>

// The client's settings in one INI file, with a table of registered defaults so
// that a reader gets the default of a key the file lacks and start-up can write
// every missing key. Every operation holds one recursive mutex, so the store can
// be used from any thread, also re-entrantly.
class SettingsStore
{
public:
    SettingsStore();
    ~SettingsStore();

    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Opens `fileName` (neither read nor checked here: a missing file is not an
    // error) and forgets the registered defaults. False when the settings object
    // cannot be made; the store is then unchanged.
    bool Open(const QString& fileName, QSettings::Format format);
    void Close();

    // The stored value; when the file lacks the key, the registered default if
    // `useDefault` is set, else an invalid variant. Before Open: the int -1.
    QVariant GetValue(const QString& key, bool useDefault);
    // False before Open. The value is pending until the next Sync(), which
    // either writes it or takes it back.
    bool SetValue(const QString& key, const QVariant& value);
    void SetDefault(const QString& key, const QVariant& value);
    // Writes the default of every registered key the file lacks. False before Open.
    bool WriteMissingDefaults();

    // Writes pending changes to the file now and tells whether the file holds
    // them; a dialog reports a save only when this returns true. A refused
    // write takes every pending change back, so memory keeps what the file
    // holds and nothing refused is written by a later sync.
    bool Sync();

private:
    bool WriteFile();
    void TakeBackPending();
    void ReopenClearingStatus();

    std::recursive_mutex mutex;
    std::unique_ptr<QSettings> settings;
    QString openedName;
    QSettings::Format openedFormat = QSettings::IniFormat;
    QMap<QString, QVariant> defaults;
    // What the file held for each key changed since the last sync; an invalid
    // variant for a key the file lacked.
    QMap<QString, QVariant> pendingWas;
};
