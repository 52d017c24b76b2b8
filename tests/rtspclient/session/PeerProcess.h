#pragma once
// A test peer run as a child process: an RTSP server that prints
// "READY <port>" once it listens. Stopped (and reaped) with the object.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

class PeerProcess
{
public:
    PeerProcess() = default;
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;
    ~PeerProcess() { Stop(); }

    // Starts the program and waits for its READY line; false when it exits first.
    bool Start(const std::vector<std::string>& command)
    {
        int pipeFds[2];
        if (pipe2(pipeFds, O_CLOEXEC) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (const std::string& word : command)
            argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        const int spawned = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        if (spawned != 0) {
            close(pipeFds[0]);
            m_pid = -1;
            return false;
        }
        m_output = fdopen(pipeFds[0], "r");
        char line[256];
        while (m_output && std::fgets(line, sizeof line, m_output)) {
            if (std::sscanf(line, "READY %d", &m_port) == 1)
                return true;
        }
        Stop();
        return false;
    }

    // SIGKILL: the peer vanishes as a crashed server does.
    void Kill() { Signal(SIGKILL); }

    void Stop() { Signal(SIGTERM); }

    int Port() const { return m_port; }
    std::string Url(const std::string& path) const { return "rtsp://127.0.0.1:" + std::to_string(m_port) + path; }

private:
    void Signal(int signal)
    {
        if (m_pid > 0) {
            kill(m_pid, signal);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
        if (m_output) {
            std::fclose(m_output);
            m_output = nullptr;
        }
    }

    pid_t m_pid = -1;
    FILE* m_output = nullptr;
    int m_port = 0;
};
