#include "journal/journal_tail.h"

#include "journal/journal_line.h"

namespace {

constexpr int64_t kChunk = 4096;

// The tail is made of zeros only as far as it was read, and how far that reached.
struct TailScan {
    int64_t lastLineFeed;  // -1 when none was found
    bool onlyZeros;
};

// Reads backwards from the end, chunk by chunk, until the last line feed, or until the tail is
// known to be neither a cut line nor zeros (longer than a line, and not all zero).
bool ScanTail(int64_t size, JournalReadAt read, void* file, TailScan* scan) {
    char chunk[kChunk];
    scan->lastLineFeed = -1;
    scan->onlyZeros = true;
    for (int64_t end = size; end > 0;) {
        const int64_t from = end > kChunk ? end - kChunk : 0;
        if (!read(file, from, chunk, static_cast<uint32_t>(end - from))) return false;
        for (int64_t i = end - from - 1; i >= 0; --i) {
            if (chunk[i] == '\n') {
                scan->lastLineFeed = from + i;
                return true;
            }
            if (chunk[i] != '\0') scan->onlyZeros = false;
        }
        if (!scan->onlyZeros && size - from > static_cast<int64_t>(kJournalLineMax)) return true;
        end = from;
    }
    return true;
}

}  // namespace

std::size_t JournalPrefix(const JournalTail& tail, char out[kJournalPrefixMax]) {
    static_assert(kJournalHeader.size() + 2 <= kJournalPrefixMax);
    std::size_t n = 0;
    if (tail.lineFeedFirst) out[n++] = '\n';
    if (tail.offset == 0) {
        for (const char c : kJournalHeader) out[n++] = c;
        out[n++] = '\n';
    }
    return n;
}

bool FindJournalTail(int64_t size, JournalReadAt read, void* file, JournalTail* tail) {
    if (size <= 0) {
        *tail = {0, false};
        return true;
    }
    char last = '\n';
    if (!read(file, size - 1, &last, 1)) return false;
    if (last == '\n') {
        *tail = {size, false};
        return true;
    }
    TailScan scan{};
    if (!ScanTail(size, read, file, &scan)) return false;
    const int64_t lineStart = scan.lastLineFeed + 1;
    // A line is never longer than kJournalLineMax: a longer tail is no line of this journal.
    if (scan.onlyZeros || size - lineStart <= static_cast<int64_t>(kJournalLineMax))
        *tail = {lineStart, false};
    else
        *tail = {size, true};
    return true;
}
