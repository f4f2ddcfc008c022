// The summary of journals at a plant's scale: the day files are read in large blocks and their
// lines parsed in place, on every core, into per-cut tallies (analysis.h) instead of histories, so
// memory stays bounded however many lines there are. The text is the same, byte for byte, as that
// of the histories LoadSources reads.
#pragma once

#include <string>
#include <vector>

#include "stats/analysis.h"
#include "stats/sources.h"

namespace kvdstat {

// Whether every path is a journal folder or a file named *.csv: only then is the summary tallied.
bool AllJournals(const std::vector<std::string>& paths);

// The sources LoadSources would make of the paths (each machine, then the journal or the plant),
// as tallies; the problems in the order LoadSources reports them. threads: how many read at once
// (at least 1).
std::vector<Tally> TallyJournals(const std::vector<std::string>& paths, std::vector<Problem>& problems,
                                 unsigned threads);

// Reads one journal line in place: the common form (unsigned numbers, the counters possibly
// negative) quickly, anything else through ParseJournalLine. Same answer as ParseJournalLine.
[[nodiscard]] bool ParseJournalLineInPlace(std::string_view line, JournalRecord& out, const char** error);

}  // namespace kvdstat
