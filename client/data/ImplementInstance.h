#pragma once

#include "DatabaseOperation.h"

#include "core/SettingsStore.h"

// The process-wide back end: the settings of config.ini and the database object.
// `main` creates and configures it before the main window exists and the main
// window's destructor destroys it; everyone else reaches the settings and the
// database only through GetInstance(). The static operations take no lock: they
// run on the GUI thread at start and at the end, while no other thread uses it.
class ImplementInstance
{
public:
    // True when the instance exists afterwards (also when it existed already).
    static bool CreateInstance();
    static void DestroyInstance();
    // Null before CreateInstance and after DestroyInstance.
    static ImplementInstance* GetInstance();

    ImplementInstance(const ImplementInstance&) = delete;
    ImplementInstance& operator=(const ImplementInstance&) = delete;

    SettingsStore* GetConfig() { return &config; }
    DatabaseOperation* GetDatabase() { return &database; }

    // Opens config.ini in the application folder, registers every default and
    // writes the keys the file lacks.
    void InitImplementInstance();

private:
    ImplementInstance() = default;
    ~ImplementInstance() = default;

    void RegisterDefaults();

    // Declared in this order so the database goes before the settings.
    SettingsStore config;
    DatabaseOperation database;

    static ImplementInstance* instance;
};
