// One line of the cycle journal: what the monitor knew about a cycle when it ended. The journal
// is a day's CSV file in the folder "journal" beside the statistics file in use.
#pragma once

#include <cstdint>

#include "model/parameters.h"

// Alarms of the cycle: the alarm messages the unit sent since the previous cycle end.
constexpr uint8_t kJournalBreak = 1;
constexpr uint8_t kJournalBlunt = 2;
constexpr uint8_t kJournalMissing = 4;
constexpr uint8_t kJournalErr1 = 8;

// A moment as the journal writes it: UTC milliseconds since 1970 and the local offset then.
struct JournalTime {
    int64_t unixMs;
    int32_t offsetMinutes;  // local time = UTC + offset
};

struct JournalRecord {
    JournalTime time;
    int cut;               // 0..15 (written as 1..16)
    uint8_t peak;          // % (the statistics entry)
    uint8_t work;          // %
    uint16_t po;           // %
    uint8_t alarms;        // kJournal* bits
    int32_t bluntCounter;  // the cut's counters at the cycle end
    int32_t missingCounter;
    uint16_t breakLimit;  // the cut's limits at the cycle end
    uint16_t bluntLimit;
    uint16_t missingLimit;
    uint16_t bluntMode;  // 0 power, 1 work
};
