// kvdstat's reader of kvdplant's database (native only, on libpq): the rows of `cycles` become
// the journal lines kvdplant wrote of them, a source per machine, then the plant of them all, so
// every command answers as it does from the machines' journals.
#pragma once

#include <string>
#include <vector>

#include "stats/sources.h"

namespace kvdstat {

// `machine` "" for every machine. The password comes from libpq's own sources (PGPASSWORD, a
// passfile). A connection or query that fails is a problem where "--database".
std::vector<Source> ReadDatabase(const std::string& conninfo, const std::string& machine,
                                 std::vector<Problem>& problems);

// The cycles of one machine's newest `days` days, as its journal's newest `days` day files hold
// them (a day is the local date of a cycle): the source, named by the machine, and in dayFiles
// the names those day files have (YYYY-MM-DD.csv), oldest first. `password` "" leaves it to
// libpq. Each call has a connection of its own, so readers on several threads share nothing.
Source ReadMachineDays(const std::string& conninfo, const std::string& password, const std::string& machine,
                       int days, std::vector<std::string>& dayFiles, std::vector<Problem>& problems);

// The machines the database knows (each has a row in `machine_state`), by name. `password` ""
// leaves it to libpq.
std::vector<std::string> ReadMachineNames(const std::string& conninfo, const std::string& password,
                                          std::vector<Problem>& problems);

}  // namespace kvdstat
