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

}  // namespace kvdstat
