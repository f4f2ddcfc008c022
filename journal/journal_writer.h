// The cycle journal's writer: one line per cycle end, appended to the day file in the folder
// "journal" beside the statistics file in use. It runs on the serial reader thread right after
// the statistics autosave. A line that cannot be written (another program holds the day file,
// the drive is gone) waits in memory, in order, and the next cycle end that can writes it first;
// a failure never stops the cycle end. The debug window shows the counts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "journal/journal_file.h"
#include "journal/journal_record.h"

// The file seam of the writer: the system's calls (journal/journal_file.h) by default; tests put
// recorders and failures in.
struct JournalFiles {
    JournalAppend (*append)(const char* path, std::string_view lines);
    int32_t (*makeFolder)(const char* path);
};
JournalFiles SystemJournalFiles();

// A path of at most this length (the statistics file name has at most 255 characters).
constexpr std::size_t kJournalPathMax = 300;
// Lines kept while the journal cannot be written: a day of cycles at one a second. Past it the
// oldest waiting line is lost (and counted) for the newest.
constexpr std::size_t kJournalWaitingMax = 86400;

// "<folder of the statistics file>journal" into out; returns false when it does not fit.
[[nodiscard]] bool JournalFolder(const char* statisticsFile, char* out, std::size_t size);
// The day file of a moment: "<journal folder><separator>YYYY-MM-DD.csv".
[[nodiscard]] bool JournalDayFile(const char* statisticsFile, const JournalTime& t, char* out,
                                  std::size_t size);

// Keeps the record's line, then writes every waiting line, oldest first, each to its own day
// file beside the statistics file (the folder is made when missing): 0 or the system error code
// of the write that stopped (its lines and all after it wait). A failure adds one to
// JournalWriteFailures(). Reader thread only (and tests).
int32_t WriteJournalRecord(const JournalFiles& files, const char* statisticsFile, const JournalRecord& r);

// Read from any thread: failed writes since the start, lines waiting now, lines lost (dropped
// from a full wait).
uint32_t JournalWriteFailures();
uint32_t JournalLinesWaiting();
uint32_t JournalLinesLost();
// Forgets the waiting lines and zeroes the counts (tests).
void ResetJournalWriter();
