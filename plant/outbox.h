// The plant link's outbox is the cycle journal itself: the publisher reads the day files from
// the end of the last line the broker acknowledged. That place, with the line's sequence number,
// is kept in "plant.pos" in the journal folder, replaced whole after every acknowledgement, so a
// broker outage, a lost network or a restart of the monitor sends every cycle, in order, from
// where the broker stopped acknowledging.
#pragma once

#include <cstdint>

#include "journal/journal_record.h"
#include "plant/day_files.h"

struct OutboxPosition {
    char day[kDayNameSize];  // the day file ("" before the first)
    uint64_t offset;         // bytes of it already sent and acknowledged
    uint64_t sequence;       // the sequence number of the last acknowledged line
};

// The position file of a journal folder: false when it is missing or malformed.
[[nodiscard]] bool LoadOutboxPosition(const char* journalFolder, OutboxPosition& out);
// Replaces the position file (through a temporary): 0 or the system error code.
[[nodiscard]] int32_t SaveOutboxPosition(const char* journalFolder, const OutboxPosition& p);

// Where a journal without a position file starts: at the end of its newest day file (the cycles
// before the link was switched on stay local), numbered from the clock's milliseconds, so a
// position file that was lost never makes numbers the collector has already seen.
OutboxPosition FreshOutboxPosition(const char* journalFolder, int64_t nowUnixMs);

enum class OutboxRead { kLine, kNone, kError };

struct OutboxLine {
    JournalRecord record;
    OutboxPosition next;  // the position once this line is acknowledged (its sequence included)
};

// The next cycle after `at`: kLine; kNone when the journal holds nothing more yet (a line still
// being written included); kError when a day file cannot be read (*error). Header rows, blank
// and malformed lines are passed over; a day file's unfinished last line too once a later day
// file exists.
OutboxRead NextOutboxLine(const char* journalFolder, const OutboxPosition& at, OutboxLine& out,
                          int32_t* error);

// Cycles in the journal after `at`, counting at most `limit`.
uint32_t CountWaitingCycles(const char* journalFolder, const OutboxPosition& at, uint32_t limit);
