#pragma once

#include <QStringList>

#include <functional>

class Corvane;

// How the client program starts: what `main` runs, and what the start-up
// benchmark runs the same way.
struct ClientStartOptions
{
    // Local port of the alarm listener.
    quint16 alarmPort = 5650;
    // Called once the main window has been built, before it is shown.
    std::function<void(Corvane&)> onWindowBuilt;
};

// The client's style sheet ":/stylesheet.css"; empty when it is missing.
QString ClientStyleSheet();

// Reads the program's own options (`--alarm-port N`) from the application's
// arguments; Qt's options have been taken out by then.
ClientStartOptions ParseClientOptions(const QStringList& arguments);

// Runs the client: the services every window relies on, the back end, the main
// window and the event loop, then the shutdown in order. Returns the event
// loop's result, or -1 when the back end cannot be created (no window is built
// and no device is contacted then).
int RunClient(int argc, char* argv[], const std::function<ClientStartOptions(const QStringList&)>& options);
