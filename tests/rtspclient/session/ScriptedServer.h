#pragma once
// The scripted RTSP server started for one test, with its event log in a
// temporary file.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "EventLog.h"
#include "PeerProcess.h"

class ScriptedServer
{
public:
    explicit ScriptedServer(const std::vector<std::string>& options) : m_events(MakeEventsPath())
    {
        std::vector<std::string> command{"/usr/bin/python3", SCRIPTED_SERVER, "--events", m_events.Path()};
        command.insert(command.end(), options.begin(), options.end());
        m_started = m_process.Start(command);
    }
    ~ScriptedServer()
    {
        m_process.Stop();
        unlink(m_events.Path().c_str());
    }

    bool Started() const { return m_started; }
    int Port() const { return m_process.Port(); }
    std::string Url(const std::string& path = "/live") const { return m_process.Url(path); }
    const EventLog& Events() const { return m_events; }
    void Kill() { m_process.Kill(); }

private:
    static std::string MakeEventsPath()
    {
        std::string path = (std::filesystem::temp_directory_path() / "scripted-rtsp-events-XXXXXX").string();
        const int fd = mkstemp(path.data());
        if (fd >= 0)
            close(fd);
        return path;
    }

    EventLog m_events;
    PeerProcess m_process;
    bool m_started = false;
};
