#include "MonitorLog.h"

#include <sstream>
#include <thread>

std::shared_ptr<spdlog::logger> CorvaneLog()
{
    return LoggerFor("Corvane");
}

std::string ThreadIdText()
{
    std::ostringstream id;
    id << std::this_thread::get_id();
    return id.str();
}
