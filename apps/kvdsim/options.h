// kvdsim's command line.
#pragma once

#include <string>

#include "unit_sim.h"

namespace kvdsim {

struct Options {
    SimConfig sim;
    std::string linkPath;   // pty mode: the stable path that points at the pty's slave
    std::string ttyDevice;  // tty mode: an existing serial device
    std::string paramsFile;
    std::string logFile;
    std::string eventsFile;
    bool exitAfter = false;
    bool waitPeer = false;
    bool verbose = false;
    bool help = false;
};

constexpr const char* kDefaultLinkPath = "/tmp/kvd-com1";

// Parses argv (parameter file not yet read). On failure returns false with a message in error.
bool ParseOptions(int argc, const char* const* argv, Options& out, std::string& error);
const char* UsageText();

}  // namespace kvdsim
