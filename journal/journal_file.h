// The journal's one file operation, on the platform's own calls (POSIX natively, Win32 on
// Windows): append whole lines to a day file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "journal/journal_record.h"

// How an append ended: the system's error code (0 when none) and how many bytes of the lines
// reached the file. A close that fails after a whole write reports its error with every byte
// written: the lines are in the file and must not be written again.
struct JournalAppend {
    int32_t error;
    std::size_t written;
};

// Opens (creating when missing) and appends `lines` (whole lines, each with its line feed). A new
// or empty file gets the header row first. The file's end is mended first (journal/journal_tail.h):
// an unfinished last line is cut off, other bytes that do not end a line get a line feed after
// them, so each line stands on a line of its own. Others may read the file meanwhile.
[[nodiscard]] JournalAppend AppendJournalFile(const char* path, std::string_view lines);
// Creates a folder; one that exists already is no failure. 0 or the system error code.
[[nodiscard]] int32_t MakeJournalFolder(const char* path);
// The current moment with the local UTC offset.
JournalTime JournalNow();
