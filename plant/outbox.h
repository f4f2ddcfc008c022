// The plant link's outbox is the cycle journal itself: the publisher reads the day files from
// the end of the last line the broker acknowledged. That place is kept in "plant.pos" in the
// journal folder, replaced whole after every acknowledgement, so a broker outage, a lost network
// or a restart of the monitor sends every cycle, in order, from where the broker stopped
// acknowledging.
//
// The position holds, for each of the last day files reached, the bytes acknowledged and what
// the last acknowledged line was (its hash and time), so a day file that changed under the
// outbox is noticed: one that grew after a newer one exists (the clock set back across midnight)
// sends its new lines; one whose acknowledged line moved (lines deleted or inserted above it)
// goes on after that line wherever it now is; one that no longer holds it (emptied, shortened,
// rewritten) sends only the lines timed after it, and counts the others as undecided rather
// than guess. A line is numbered only when it is sent first, so no acknowledged line is ever
// numbered twice. The position also holds the outbox's identity, a random id made with it: the
// collector tells a resend from a new numbering by it (docs/plant.md).
#pragma once

#include <cstddef>
#include <cstdint>

#include "journal/journal_record.h"
#include "plant/day_files.h"

constexpr int kOutboxIdSize = 17;  // 16 hexadecimal digits and the end
constexpr int kOutboxDaysMax = 8;  // day files watched for lines added after the outbox passed them

struct OutboxDay {
    char day[kDayNameSize];  // "YYYY-MM-DD"
    uint64_t offset;         // bytes of it acknowledged (whole lines) or passed over
    uint64_t lineHash;       // the line ending at offset (0: none, or not known from an old file)
    int64_t lineTimeMs;      // its time
    bool anchorLost;         // the file no longer holds that line: only lines timed after it go
};

struct OutboxPosition {
    char id[kOutboxIdSize];  // "" in a position file of the older format, until it is saved again
    uint64_t sequence;       // the sequence number of the last acknowledged line
    uint32_t undecided;      // lines not sent: they could not be told from acknowledged ones
    uint32_t dayCount;
    OutboxDay days[kOutboxDaysMax];  // oldest first; day files before the first stay local
};

// The position file of a journal folder (this format or the older "day offset sequence"): false
// when it is missing or malformed.
[[nodiscard]] bool LoadOutboxPosition(const char* journalFolder, OutboxPosition& out);
// Replaces the position file (through a temporary): 0 or the system error code.
[[nodiscard]] int32_t SaveOutboxPosition(const char* journalFolder, const OutboxPosition& p);

// A new identity: 16 hexadecimal digits from the system's randomness and the clock.
void MakeOutboxId(char out[kOutboxIdSize]);

// Where a journal without a position file starts: at the end of its newest day file (the cycles
// before the link was switched on stay local), numbered from the clock's milliseconds, with a
// new identity.
OutboxPosition FreshOutboxPosition(const char* journalFolder, int64_t nowUnixMs);

enum class OutboxRead { kLine, kNone, kError };

struct OutboxLine {
    JournalRecord record;
    OutboxPosition next;  // the position once this line is acknowledged (its sequence included)
    bool passed;          // the position read from was moved on past what is not sent
};

// The next cycle to send: kLine; kNone when the journal holds nothing more yet (a line still
// being written included); kError when a day file cannot be read (*error). Header rows, blank
// and malformed lines, lines that cannot be told from sent ones, and a changed file's new place
// are passed over by updating `at` itself (save it when it changed). A day file's unfinished last
// line is passed over too once a later day file exists.
OutboxRead NextOutboxLine(const char* journalFolder, OutboxPosition& at, OutboxLine& out, int32_t* error);

// Cycles in the journal after `at`, counting at most `limit`.
uint32_t CountWaitingCycles(const char* journalFolder, const OutboxPosition& at, uint32_t limit);

// The hash that names a line in the position (its bytes without the line feed).
uint64_t OutboxLineHash(const char* text, std::size_t n);
