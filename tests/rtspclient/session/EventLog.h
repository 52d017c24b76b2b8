#pragma once
// The scripted server's event file: one JSON object a line. Tests look for
// lines holding given fragments, such as "\"method\": \"SETUP\"".
#include <chrono>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "../../support/WaitUntil.h"

class EventLog
{
public:
    explicit EventLog(std::string path) : m_path(std::move(path)) { }

    const std::string& Path() const { return m_path; }

    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::ifstream file(m_path);
        std::string line;
        while (std::getline(file, line))
            lines.push_back(line);
        return lines;
    }

    // Lines holding every fragment.
    std::vector<std::string> Matching(std::initializer_list<std::string> fragments) const
    {
        std::vector<std::string> found;
        for (const std::string& line : Lines()) {
            bool all = true;
            for (const std::string& fragment : fragments)
                all = all && line.find(fragment) != std::string::npos;
            if (all)
                found.push_back(line);
        }
        return found;
    }

    size_t Count(std::initializer_list<std::string> fragments) const { return Matching(fragments).size(); }

    bool WaitFor(std::initializer_list<std::string> fragments, size_t count = 1,
                 std::chrono::milliseconds timeout = std::chrono::seconds(20)) const
    {
        return testsupport::WaitUntil([&] { return Count(fragments) >= count; }, timeout,
                                      std::chrono::milliseconds(20));
    }

private:
    std::string m_path;
};
