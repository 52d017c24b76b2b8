#pragma once

#include "core/TrafficIncident.h"

#include "tessoran.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class SettingsStore;

// What an incident's clip download needs from the settings, read together so
// one alarm never mixes the values of two saves.
struct ClipSettings
{
    bool cutVideo = false;
    int secondsBefore = 0;
    int secondsAfter = 0;
    QString dataPath;

    static ClipSettings Read(SettingsStore& settings);
};

// The alarm listener's side of the main window: checks a device's alarm and
// holds it for the SDK's round (DeviceManager::HoldAlarm), which writes its
// pictures under the data path and stores its rows with the round's; once the
// round is stored it asks for the incident's clip and hands on what the GUI
// thread shows.
//
// Threads: the Take* calls run on the SDK's listener thread (the window's alarm
// slots are direct connections); the object itself lives on the GUI thread,
// which swaps the clip settings whole (SetClipSettings) while alarms come in.
// An alarm reads one snapshot from start to end. Nothing the listener thread
// holds is handed over but values.
class AlarmIntake : public QObject
{
    Q_OBJECT

public:
    // An incident that passed the checks and was stored.
    struct Incident
    {
        TrafficIncident incident;
        // The operator wants incidents spoken.
        bool speak = false;
    };

    explicit AlarmIntake(QObject* parent = nullptr);

    // GUI thread: the settings the next alarm uses.
    void SetClipSettings(const ClipSettings& settings);
    std::shared_ptr<const ClipSettings> CurrentClipSettings() const;

    // Listener thread; refused on the GUI thread. An incident of a type the
    // operator filters out, or one that fails the checks, gives nothing;
    // otherwise the incident taken, and `onStored` gets it once it is stored
    // (at its round's end, or before the return outside an alarm signal).
    std::optional<Incident> TakeIncident(const TSR_ALARMER& alarmer, const TSR_AID_ALARM& alarm,
                                         std::function<void(const Incident&)> onStored = {});
    void TakeViolation(const TSR_ALARMER& alarmer, const TSR_TFS_ALARM& alarm);
    void TakeTrafficParameters(const TSR_ALARMER& alarmer, const TSR_TPS_ALARM& alarm);

    // The folder pictures and clips go to; any thread (the cleaning worker asks too).
    QString CurrentDataPath() const;

    static bool SaveToFile(const char* buf, int len, const char* path);

private:
    // False, logged once, on the thread the object lives on (the GUI thread):
    // an alarm there came through a connection other than the listener's
    // direct one, and its file and database work would stall the window,
    // whose blocking hand-over to itself could never finish.
    bool OnListenerThread(const char* method);
    // The snapshot's data path, or the settings' when the snapshot has none.
    static QString DataPathOf(const ClipSettings& clip);

    mutable std::mutex settingsMutex;
    std::shared_ptr<const ClipSettings> clipSettings;
    std::atomic<bool> wrongThreadLogged{false};
};
