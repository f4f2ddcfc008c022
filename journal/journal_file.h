// The journal's one file operation, on the platform's own calls (POSIX natively, Win32 on
// Windows): append one line to a day file with a single write.
#pragma once

#include <cstdint>
#include <string_view>

#include "journal/journal_record.h"

// Opens (creating when missing) and appends `line` (at most kJournalLineMax bytes) with one
// write. A new or empty file gets the header row first, in the same write. When the file does not end with a
// line feed (a write cut short by a kill or a power loss), the unfinished last line is cut off first, so the
// file holds only whole lines. Others may read the file meanwhile. 0 or the system error code.
[[nodiscard]] int32_t AppendJournalFile(const char* path, std::string_view line);
// Creates a folder; one that exists already is no failure. 0 or the system error code.
[[nodiscard]] int32_t MakeJournalFolder(const char* path);
// The current moment with the local UTC offset.
JournalTime JournalNow();
