// The statistics file: the 1,600,096-byte image of the monitor's statistics block, rewritten
// whole after every cycle and every reset. The file in use is the configuration's statisticsFileName.
//
// Threads: the autosave runs on the serial reader thread with the append, under
// the block's lock; everything else here runs on the UI thread and takes the mutex itself, so a
// load, reset or save never interleaves with an append and its autosave. The file in use is
// renamed only under the mutex too, since the autosave reads the name.
//
// What the file keeps between calls (the autosave's health and hold, the load's scratch block) is
// a StatisticsFileState that the monitor record owns and hands to each call.
#pragma once

#include <cstdint>

#include "model/cut.h"
#include "model/model.h"
#include "model/settings.h"

// Whether the file in use holds the block: a failed save of it starts a run of failures, which
// the next save that succeeds ends (every cycle end tries again). Written under the block's lock
// (reader thread at a cycle end, UI thread at a reset, load or save); the UI thread reads it
// without the lock through the functions below, and marks the run's one message as shown.
struct AutosaveHealth {
    int32_t failing;       // 1 while the last save of the file in use failed
    int32_t firstError;    // the system's error number of the run's first failure
    int32_t messageShown;  // 1 once the run's message was shown
};

// The statistics file's own records, one per monitor, allocated once with it (the scratch block is
// 1.6 MB and never goes on a stack). Zeroed is its start: saves succeed, nothing is held.
struct StatisticsFileState {
    // The monitor's configuration, which names the file in use (set once when the monitor is
    // made). Its name is written and read under the block's lock.
    ConfigurationRecord* config;
    // The monitor's statistics block, the file's image, and its lock (set once with config).
    CutStatistics* statistics;
    std::mutex* lock;
    AutosaveHealth health;
    // Set when the file in use failed to load: the block then is not that file's image, and
    // writing it there would destroy the history the file holds. Cleared by the user's own choice:
    // a load or save that succeeds, or a reset. Written under the block's lock (the autosave reads
    // it there); the UI thread's caption reads it without the lock, so it never waits for a save.
    int32_t autosaveHeld;
    // A load reads here first, so a short or failed read never leaves the block half old, half
    // file (the next autosave would write that mixture into the file in use). Guarded by
    // the block's lock.
    CutStatistics loadScratch;
};

// Read the file over the block: 0, 30007 when it holds fewer bytes than the block, or the system
// error code of the open or read. The file is created holding the current block when it does not
// exist. On any failure the block keeps its old content; indexes outside a ring are mended.
[[nodiscard]] int32_t LoadStatisticsFile(StatisticsFileState& files, const char* name);
// Start-up: LoadStatisticsFile on the file in use. When it fails, the autosave is held: the file
// keeps its bytes (its history) until the user loads, saves or resets statistics.
[[nodiscard]] int32_t LoadStatisticsInUse(StatisticsFileState& files);
// Start-up, before the link opens: a relative name of the file in use becomes its full path in the
// working folder of the start. The file dialogs move the working folder while they are open, and
// a cycle end meanwhile must still save (and journal) beside the file in use, not where the user
// is browsing. Left as it is when the full path does not fit.
void AnchorStatisticsFileInUse(StatisticsFileState& files);
// Whether cycles are not being saved because the file in use failed to load. Any thread, without
// the statistics lock: the caption never waits for a save in progress.
[[nodiscard]] bool StatisticsAutosaveHeld(StatisticsFileState& files);
// Write the block as the start of the file (created when missing; a longer file keeps its
// tail): 0, 30007 or the system error code. The block goes to a file beside it first, which
// replaces it only once complete: a failed save leaves the old file as it was.
[[nodiscard]] int32_t SaveStatisticsFile(StatisticsFileState& files, const char* name);

// Reset one cut (0..15), or all with kAllCuts: indexes to 0, entries kept, then one save to the
// file in use: 0 or the save's result, which the caller shows (its message stands for the first
// failure of a run, see AutosaveHealth). Reset All resumes a held autosave; a reset of one cut
// while it is held writes nothing. An unknown cut changes and writes nothing.
int32_t ResetStatistics(StatisticsFileState& files, int cut);

// The cycle-end autosave (the storage service's saveStatistics): the block to the file in use; 0
// or the save's result, also kept in the state's health. Nothing is written (0) while the autosave is
// held. The caller holds the block's lock.
int32_t SaveStatisticsInUse(StatisticsFileState& files);

// Whether the last save of the file in use failed (any thread).
[[nodiscard]] bool AutosaveFailing(StatisticsFileState& files);
// UI thread: true once for each run of failures, with the run's first error number in *error:
// the caller shows the message then. False while saves succeed or once the run's message was taken.
[[nodiscard]] bool TakeAutosaveFailureMessage(StatisticsFileState& files, int32_t* error);

// Save statistics / Load statistics once a name was chosen: the file operation, and on success
// the file becomes the one in use (the configuration file is rewritten when the name changed) and
// a held autosave resumes. Each runs under one hold of the block's lock. A failed load of the
// file in use holds the autosave; a failed load of another file leaves the file in use as it was.
// The configuration file's result goes to *configuration when given (0 also when the name did not
// change): the caller says when the next start would not know the new file.
[[nodiscard]] int32_t SaveStatisticsAndUse(StatisticsFileState& files, const char* name,
                                           int32_t* configuration = nullptr);
[[nodiscard]] int32_t LoadStatisticsAndUse(StatisticsFileState& files, const char* name,
                                           int32_t* configuration = nullptr);

// Make a loaded block safe for every reader: a cut whose writeIndex or wrapMarker lies outside
// its ring is shown empty (both indexes 0; entries kept). Returns the number of cuts mended.
int MendStatisticsIndexes(CutStatistics& s);
