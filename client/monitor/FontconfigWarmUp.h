#pragma once

#include <thread>

// Loads fontconfig's configuration and font caches on a thread of its own,
// started before the application object: that object spends most of its
// construction waiting for the display, and the window's first text would
// otherwise wait for fontconfig on the GUI thread. Qt builds its own font
// database later, on the GUI thread, from the configuration loaded here.
class FontconfigWarmUp
{
public:
    FontconfigWarmUp();
    ~FontconfigWarmUp();
    FontconfigWarmUp(const FontconfigWarmUp&) = delete;
    FontconfigWarmUp& operator=(const FontconfigWarmUp&) = delete;

    // Waits for the loading to end. Called before the first text is laid
    // out, so that only one thread ever loads the configuration.
    void Finish();

private:
    std::thread loader;
};
