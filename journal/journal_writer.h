// The cycle journal's writer: one line per cycle end, appended to the day file in the folder
// "journal" beside a statistics file. Each destination has a writer of its own (`JournalWriter`):
// the monitor one for its statistics file in use, kvdplant one per machine. A line that cannot be
// written (another program holds the day file, the drive is gone, no file descriptor is left)
// waits in its own writer, in order, and a later call writes it there first; a failure never
// stops the caller. The debug window (the monitor) and the log (kvdplant) show the counts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "journal/journal_file.h"
#include "journal/journal_line.h"
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
// Lines of one day file go out in one append of at most this many, and one call writes at most
// one such append (two when the folder had to be made): a backlog of a day drains over a few
// hundred cycle ends, each of which stays short (its cost in docs/benchmarks.md).
constexpr std::size_t kJournalBatchLines = 256;

// One destination's writer: a plain record of fixed size (4.5 MB; the ring's pages are touched
// only as far as lines wait, so make it static or with plain `new`, and reset it before use).
// One thread calls the functions below; the three counts may be read from any thread.
struct JournalWriter {
    uint32_t failures;      // failed writes since the start
    uint32_t waitingCount;  // lines waiting now
    uint32_t lost;          // lines dropped from a full wait
    std::size_t firstWaiting, waitingLines;
    // The waiting lines kept as records (half the size of their text).
    JournalRecord waiting[kJournalWaitingMax];
    // The text of the first batchLines waiting lines, kept while they wait, so a call while the
    // journal stays shut formats only its own line.
    char batch[kJournalBatchLines * kJournalLineMax];
    std::size_t batchEnds[kJournalBatchLines];  // where each line of the batch ends
    std::size_t batchLines;
    char batchDay[16];
};

// Forgets the waiting lines and zeroes the counts.
void ResetJournalWriter(JournalWriter& w);

// "<folder of the statistics file>journal" into out; returns false when it does not fit.
[[nodiscard]] bool JournalFolder(const char* statisticsFile, char* out, std::size_t size);
// The day file of a moment: "<journal folder><separator>YYYY-MM-DD.csv".
[[nodiscard]] bool JournalDayFile(const char* statisticsFile, const JournalTime& t, char* out,
                                  std::size_t size);

// Keeps the record's line behind the waiting ones, then writes waiting lines, oldest first, each
// to its own day file beside the statistics file (the folder is made when missing), at most one
// batch: 0 when nothing failed (lines past the batch wait for a later call), or the system error
// code of the write that stopped (its lines and all after it wait). A failure adds one to the
// writer's failures.
int32_t WriteJournalRecord(JournalWriter& w, const JournalFiles& files, const char* statisticsFile,
                           const JournalRecord& r);
// The same without a new line: for a destination whose lines wait while no cycle comes.
int32_t WriteWaitingJournalLines(JournalWriter& w, const JournalFiles& files, const char* statisticsFile);

// The counts, read from any thread.
uint32_t JournalWriteFailures(const JournalWriter& w);
uint32_t JournalLinesWaiting(const JournalWriter& w);
uint32_t JournalLinesLost(const JournalWriter& w);
