#pragma once

#include "core/Logging.h"

#include <memory>
#include <string>

// The main window and its parts write to one logger, "Corvane".
std::shared_ptr<spdlog::logger> CorvaneLog();

// The calling thread's id as the log lines show it.
std::string ThreadIdText();
