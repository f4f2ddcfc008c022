// kvdstat's command line: parses the arguments, reads the inputs, runs one command.
#pragma once

#include <string>
#include <vector>

#include "model/parameters.h"
#include "stats/sources.h"

namespace kvdstat {

// Exit codes: 0 done; 1 done, but some input could not be read (each problem is on err);
// 2 nothing done (wrong arguments, no readable input, an output that could not be written).
constexpr int kExitDone = 0, kExitInputProblems = 1, kExitFailed = 2;

// Reads kvdplant's database (--database CONNINFO, --machine NAME or "" for every machine) as the
// sources: each machine by its name, then the plant of them all. Native kvdstat has one (on
// libpq); without one, --database is refused.
using DatabaseReader = std::vector<Source> (*)(const std::string& conninfo, const std::string& machine,
                                               std::vector<Problem>& problems);

[[nodiscard]] int RunKvdstat(const std::vector<std::string>& args, std::string& out, std::string& err,
                             DatabaseReader database = nullptr);

}  // namespace kvdstat
