// Where the next line of a day file goes, whatever the file's end looks like: after its last
// line feed, or on a line of its own. Portable; the platform's append reads through `read`.
#pragma once

#include <cstddef>
#include <cstdint>

struct JournalTail {
    int64_t offset;      // where the write starts (the file is cut there first when shorter)
    bool lineFeedFirst;  // the bytes before offset do not end a line: write a line feed first
};

// Reads n bytes at `at` into buffer; false on a failure.
using JournalReadAt = bool (*)(void* file, int64_t at, char* buffer, uint32_t n);

// The file ends in a line feed, or is empty: the write goes at its end. Otherwise the bytes after
// its last line feed are an unfinished line: one cut short by a kill (no longer than a line), or
// zeros a power loss left (any length), which are cut off; anything else is kept, and the next
// line starts on a line of its own. Offset 0 means the file needs its header. False on a failed
// read (*tail is then unchanged).
[[nodiscard]] bool FindJournalTail(int64_t size, JournalReadAt read, void* file, JournalTail* tail);

// What goes before the lines at the tail: the line feed it needs, the header of an empty file.
constexpr std::size_t kJournalPrefixMax = 2 + 160;
std::size_t JournalPrefix(const JournalTail& tail, char out[kJournalPrefixMax]);
