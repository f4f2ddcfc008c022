// The cycle journal's writer: one line per cycle end, appended to the day file in the folder
// "journal" beside the statistics file in use. It runs on the serial reader thread right after
// the statistics autosave, so it is one open, one write and one close; a failure never stops the
// cycle end, it is counted (the debug window shows the count).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "journal/journal_record.h"

// The file seam of the writer: the system's calls (journal/journal_file.h) by default; tests put
// recorders and failures in.
struct JournalFiles {
    int32_t (*append)(const char* path, std::string_view line);
    int32_t (*makeFolder)(const char* path);
};
JournalFiles SystemJournalFiles();

// A path of at most this length (the statistics file name has at most 255 characters).
constexpr std::size_t kJournalPathMax = 300;

// "<folder of the statistics file>journal" into out; returns false when it does not fit.
[[nodiscard]] bool JournalFolder(const char* statisticsFile, char* out, std::size_t size);
// The day file of a moment: "<journal folder><separator>YYYY-MM-DD.csv".
[[nodiscard]] bool JournalDayFile(const char* statisticsFile, const JournalTime& t, char* out,
                                  std::size_t size);

// Appends the record's line to its day file (the folder is made when missing): 0 or the system
// error code. A failure adds one to JournalWriteFailures().
int32_t WriteJournalRecord(const JournalFiles& files, const char* statisticsFile, const JournalRecord& r);

// Failed writes since the start (read from any thread).
uint32_t JournalWriteFailures();
