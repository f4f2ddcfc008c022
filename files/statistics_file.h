// The statistics file: the 1,600,096-byte image of the statistics block (gStatistics), rewritten
// whole after every cycle and every reset. The file in use is gConfig.statisticsFileName.
//
// Threads: the autosave runs on the serial reader thread with the append, under
// gStatisticsMutex; everything else here runs on the UI thread and takes the mutex itself, so a
// load, reset or save never interleaves with an append and its autosave. The file in use is
// renamed only under the mutex too, since the autosave reads the name.
#pragma once

#include <cstdint>

#include "model/model.h"
#include "model/cut.h"

// Read the file over the block: 0, 30007 when it holds fewer bytes than the block, or the system
// error code of the open or read. The file is created holding the current block when it does not
// exist. On any failure the block keeps its old content; indexes outside a ring are mended.
[[nodiscard]] int32_t LoadStatisticsFile(const char* name);
// Start-up: LoadStatisticsFile on the file in use. When it fails, the autosave is held: the file
// keeps its bytes (its history) until the user loads, saves or resets statistics.
[[nodiscard]] int32_t LoadStatisticsInUse();
// Start-up, before the link opens: a relative name of the file in use becomes its full path in the
// working folder of the start. The file dialogs move the working folder while they are open, and
// a cycle end meanwhile must still save (and journal) beside the file in use, not where the user
// is browsing. Left as it is when the full path does not fit.
void AnchorStatisticsFileInUse();
// Whether cycles are not being saved because the file in use failed to load. Any thread, without
// the statistics lock: the caption never waits for a save in progress.
[[nodiscard]] bool StatisticsAutosaveHeld();
// Write the block as the start of the file (created when missing; a longer file keeps its
// tail): 0, 30007 or the system error code. The block goes to a file beside it first, which
// replaces it only once complete: a failed save leaves the old file as it was.
[[nodiscard]] int32_t SaveStatisticsFile(const char* name);

// Reset one cut (0..15), or all with kAllCuts: indexes to 0, entries kept, then one save to the
// file in use: 0 or the save's result, which the caller shows (its message stands for the first
// failure of a run, see AutosaveHealth). Reset All resumes a held autosave; a reset of one cut
// while it is held writes nothing. An unknown cut changes and writes nothing.
int32_t ResetStatistics(int cut);

// The cycle-end autosave (gStorageService.saveStatistics): the block to the file in use; 0 or
// the save's result, also kept in gAutosaveHealth. Nothing is written (0) while the autosave is
// held. The caller holds gStatisticsMutex.
int32_t SaveStatisticsInUse();

// Whether the file in use holds the block: a failed save of it starts a run of failures, which
// the next save that succeeds ends (every cycle end tries again). Written under gStatisticsMutex
// (reader thread at a cycle end, UI thread at a reset, load or save); the UI thread reads it
// without the lock through the functions below, and marks the run's one message as shown.
struct AutosaveHealth {
    int32_t failing;       // 1 while the last save of the file in use failed
    int32_t firstError;    // the system's error number of the run's first failure
    int32_t messageShown;  // 1 once the run's message was shown
};
extern AutosaveHealth gAutosaveHealth;
// Whether the last save of the file in use failed (any thread).
[[nodiscard]] bool AutosaveFailing();
// UI thread: true once for each run of failures, with the run's first error number in *error:
// the caller shows the message then. False while saves succeed or once the run's message was taken.
[[nodiscard]] bool TakeAutosaveFailureMessage(int32_t* error);

// Save statistics / Load statistics once a name was chosen: the file operation, and on success
// the file becomes the one in use (the configuration file is rewritten when the name changed) and
// a held autosave resumes. Each runs under one hold of gStatisticsMutex. A failed load of the
// file in use holds the autosave; a failed load of another file leaves the file in use as it was.
// The configuration file's result goes to *configuration when given (0 also when the name did not
// change): the caller says when the next start would not know the new file.
[[nodiscard]] int32_t SaveStatisticsAndUse(const char* name, int32_t* configuration = nullptr);
[[nodiscard]] int32_t LoadStatisticsAndUse(const char* name, int32_t* configuration = nullptr);

// Make a loaded block safe for every reader: a cut whose writeIndex or wrapMarker lies outside
// its ring is shown empty (both indexes 0; entries kept). Returns the number of cuts mended.
int MendStatisticsIndexes(CutStatistics& s);
