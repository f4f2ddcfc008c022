// What kvdstat reads: statistics files (the 1,600,096-byte block) and cycle journals (a day file,
// several, or a folder of them), turned into per-cut histories in cycle order, oldest first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "journal/journal_record.h"
#include "model/cut.h"

namespace kvdstat {

constexpr int kRingEntries = 50000;
constexpr std::size_t kBlockBytes = 1600096;

struct CutSeries {
    std::vector<uint8_t> peak;  // one per cycle, oldest first
    std::vector<uint8_t> work;
    std::vector<JournalRecord> records;  // journals only: records[i] is cycle i
    bool Timed() const { return !records.empty(); }
    std::size_t Size() const { return peak.size(); }
};

struct Source {
    std::string name;
    bool journal = false;
    CutSeries cuts[kCutCount];
};

// A problem with the input: "file: message" or "file:line: message".
struct Problem {
    std::string where;
    std::string message;
    bool warning = false;  // reported, but the input was read in full
};

// The held entries of one statistics block, in cycle order. A cut whose indexes cannot have come
// from the writer is left empty and reported; the other cuts are read.
void ReadStatisticsBlock(const uint8_t* bytes, std::size_t size, const std::string& name, Source& out,
                         std::vector<Problem>& problems);

// Adds the text of one journal file; malformed lines are reported and skipped.
void AddJournalText(const std::string& text, const std::string& name, Source& out,
                    std::vector<Problem>& problems);
// Puts every cut's cycles in time order (files may be named in any order).
void SortJournal(Source& s);

// Reads the named files and folders: each statistics file is a source of its own, all journal
// files together make one. Two or more machines' journal folders (<folder>/<machine>/journal, as
// kvdplant writes them) are a source each, named by the machine, before the one of them all
// ("the plant (N machines)"). A folder stands for the journal files (*.csv) in it. A file is a
// journal when its name ends in ".csv" or its text starts with the journal header.
std::vector<Source> LoadSources(const std::vector<std::string>& paths, std::vector<Problem>& problems);

// Machines' sources (each named by its machine, its cycles added with AddJournalText) as
// LoadSources makes them of their journal folders: with two or more, each in name order and then
// "the plant (N machines)".
std::vector<Source> MachinesAndPlant(std::vector<Source> machines);

// The pieces of that reading which the summary's streaming reader shares (journal_scan.h).
// Whether a name ends in `tail`, in any case.
bool EndsWith(const std::string& s, const std::string& tail);
// A folder "journal" inside a machine's folder (as kvdplant writes <folder>/<machine>/journal)
// stands for that machine; "" for any other path.
std::string MachineOf(const std::string& path);
// The journal files (*.csv) of a folder, in name order; what cannot be listed or stated is reported.
std::vector<std::filesystem::path> JournalFilesIn(const std::string& folder, std::vector<Problem>& problems);
// "cannot be read: <reason>".
std::string CannotBeRead(const std::string& reason);

}  // namespace kvdstat
