// The files rewritten when their content changes: the configuration (a new port, by the link's
// port rules) and the statistics block (every cycle end), and the record of each finished cycle
// (both by the monitor's cycle-end handler). The main window points them at the file modules;
// tests count the calls instead of writing files. An interface with a self (the shell's is its
// monitor record); the defaults write nothing.
#pragma once

#include <cstdint>

#include "model/model.h"

// A cycle as it ended: its statistics entry and what the monitor knew of its cut at that moment.
struct FinishedCycle {
    int cut;  // 0..15
    StatisticsEntry entry;
    uint16_t po;
    int32_t alarms;  // alarm messages since the previous cycle end: AlarmBits values,
                     // and kCycleError1 for error 1
    int32_t bluntCounter, missingCounter;
    CutParameters parameters;  // the cut's record (its limits and Blunt Mode)
};

struct StorageService {
    void* self = nullptr;  // handed to every member
    int32_t (*saveConfiguration)(void* self) = [](void*) { return int32_t{0}; };
    // The cycle-end autosave of the statistics block to the file in use: 0 or the save's error
    // (the file module keeps the autosave's health; the cycle end goes on either way).
    int32_t (*saveStatistics)(void* self) = [](void*) { return int32_t{0}; };
    // The cycle journal's line, right after the autosave (reader thread, statistics lock held,
    // so the name of the file in use stands still). It must stay cheap and never fail the cycle.
    void (*journalCycle)(void* self, const FinishedCycle& cycle) = [](void*, const FinishedCycle&) {};
};
