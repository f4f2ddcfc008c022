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

// Read the file over the block: 0, 30007 when it holds fewer bytes than the block, or the system
// error code of the open or read. The file is created holding the current block when it does not
// exist. On any failure the block keeps its old content; indexes outside a ring are mended.
[[nodiscard]] int32_t LoadStatisticsFile(const char* name);
// Write the block at the start of the file (created when missing; a longer file keeps its
// tail): 0, 30007 or the system error code.
[[nodiscard]] int32_t SaveStatisticsFile(const char* name);

// Reset one cut (0..15), or all with kAllCuts: indexes to 0, entries kept, then one save to the
// file in use. Callers ignore the result. An unknown cut changes and writes nothing.
constexpr int kAllCuts = -1;
int32_t ResetStatistics(int cut);

// The cycle-end autosave (gStorageService.saveStatistics): the block to the file in use, result
// dropped. The caller holds gStatisticsMutex.
void SaveStatisticsInUse();

// Save statistics / Load statistics once a name was chosen: the file operation, and on success
// the file becomes the one in use (the configuration file is rewritten when the name changed).
[[nodiscard]] int32_t SaveStatisticsAndUse(const char* name);
[[nodiscard]] int32_t LoadStatisticsAndUse(const char* name);

// Make a loaded block safe for every reader: a cut whose writeIndex or wrapMarker lies outside
// its ring is shown empty (both indexes 0; entries kept). Returns the number of cuts mended.
int MendStatisticsIndexes(CutStatistics& s);
