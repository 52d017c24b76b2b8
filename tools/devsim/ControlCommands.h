#pragma once
// The simulator's control language, one command a line (see kControlHelp).

#include <string>

namespace devsim {

class Simulator;

extern const char* const kControlHelp;

// Runs one command; the answer starts with "ok" or "error:".
std::string executeControl(Simulator& simulator, const std::string& line);

} // namespace devsim
