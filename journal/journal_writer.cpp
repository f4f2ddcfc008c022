#include "journal/journal_writer.h"

#include <atomic>
#include <cstring>

#include "files/results.h"
#include "journal/journal_line.h"

namespace {

std::atomic<uint32_t> failures{0};
std::atomic<uint32_t> waitingCount{0};
std::atomic<uint32_t> lost{0};

// The waiting lines, kept as records (half the size of their text): a ring allocated once (4 MB,
// touched only as far as lines wait), used by the reader thread only; the counts above are what
// other threads see of it.
JournalRecord waiting[kJournalWaitingMax];
std::size_t firstWaiting = 0;
std::size_t waitingLines = 0;

// Lines of one day file go out in one append of at most this many. The batch holds the text of
// the first batchLines waiting lines and is kept while they wait, so a cycle end of a journal that
// stays shut formats only its own line.
constexpr std::size_t kBatchLines = 256;
char batch[kBatchLines * kJournalLineMax];
std::size_t batchEnds[kBatchLines];  // where each line of the batch ends
std::size_t batchLines = 0;
char batchDay[16];

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// Length of the folder part of a file name, its last separator included (0 for a bare name).
std::size_t FolderLength(const char* name) {
    std::size_t n = 0;
    for (std::size_t i = 0; name[i] != '\0'; ++i)
        if (name[i] == '/' || name[i] == '\\') n = i + 1;
    return n;
}

char SeparatorOf(const char* name, std::size_t folderLength) {
    return folderLength > 0 ? name[folderLength - 1] : kSeparator;
}

const JournalRecord& WaitingAt(std::size_t i) { return waiting[(firstWaiting + i) % kJournalWaitingMax]; }

void Keep(const JournalRecord& r) {
    if (waitingLines == kJournalWaitingMax) {  // full: the oldest line gives way
        firstWaiting = (firstWaiting + 1) % kJournalWaitingMax;
        --waitingLines;
        batchLines = 0;
        lost.fetch_add(1, std::memory_order_relaxed);
    }
    waiting[(firstWaiting + waitingLines) % kJournalWaitingMax] = r;
    ++waitingLines;
    waitingCount.store(static_cast<uint32_t>(waitingLines), std::memory_order_relaxed);
}

void Forget(std::size_t lines) {
    if (lines > 0) batchLines = 0;
    firstWaiting = (firstWaiting + lines) % kJournalWaitingMax;
    waitingLines -= lines;
    waitingCount.store(static_cast<uint32_t>(waitingLines), std::memory_order_relaxed);
}

// The waiting lines of the first one's day, in order, into the batch; returns their number.
std::size_t FillBatch() {
    if (batchLines == 0) FormatJournalDate(WaitingAt(0).time, batchDay);
    char day[16];
    while (batchLines < waitingLines && batchLines < kBatchLines) {
        const JournalRecord& r = WaitingAt(batchLines);
        FormatJournalDate(r.time, day);
        if (std::memcmp(day, batchDay, 10) != 0) break;
        const std::size_t at = batchLines > 0 ? batchEnds[batchLines - 1] : 0;
        batchEnds[batchLines++] = at + FormatJournalLine(r, batch + at);
    }
    return batchLines;
}

// One append of the batch; when nothing reached the file, the folder is most likely not there
// yet (the first cycle beside this statistics file): it is made and the append tried once more.
JournalAppend AppendBatch(const JournalFiles& files, const char* statisticsFile, const char* path,
                          std::string_view text) {
    JournalAppend a = files.append(path, text);
    if (a.error == 0 || a.written > 0) return a;
    char folder[kJournalPathMax];
    if (JournalFolder(statisticsFile, folder, sizeof folder) && files.makeFolder(folder) == 0)
        a = files.append(path, text);
    return a;
}

int32_t WriteWaiting(const JournalFiles& files, const char* statisticsFile) {
    while (waitingLines > 0) {
        char path[kJournalPathMax];
        // The name is too long: 206, the system's own number for it on Windows.
        if (!JournalDayFile(statisticsFile, WaitingAt(0).time, path, sizeof path)) return 206;
        const std::size_t lines = FillBatch();
        const JournalAppend a = AppendBatch(files, statisticsFile, path, {batch, batchEnds[lines - 1]});
        // Lines that reached the file whole are done, even when the close failed after them; a
        // line cut short is cut off by the next append and written again whole.
        std::size_t done = 0;
        while (done < lines && batchEnds[done] <= a.written) ++done;
        Forget(done);
        if (a.error != 0) return a.error;
        if (done < lines) return kResultShortTransfer;  // no error, yet not all went: the rest waits
    }
    return 0;
}

}  // namespace

JournalFiles SystemJournalFiles() { return {AppendJournalFile, MakeJournalFolder}; }

bool JournalFolder(const char* statisticsFile, char* out, std::size_t size) {
    static constexpr char kFolder[] = "journal";
    const std::size_t folder = FolderLength(statisticsFile);
    if (folder + sizeof kFolder > size) return false;
    std::memcpy(out, statisticsFile, folder);
    std::memcpy(out + folder, kFolder, sizeof kFolder);
    return true;
}

bool JournalDayFile(const char* statisticsFile, const JournalTime& t, char* out, std::size_t size) {
    if (!JournalFolder(statisticsFile, out, size)) return false;
    std::size_t n = std::strlen(out);
    if (n + 16 > size) return false;  // separator, date, ".csv" and the end
    out[n++] = SeparatorOf(statisticsFile, FolderLength(statisticsFile));
    n += FormatJournalDate(t, out + n);
    std::memcpy(out + n, ".csv", 5);
    return true;
}

int32_t WriteJournalRecord(const JournalFiles& files, const char* statisticsFile, const JournalRecord& r) {
    Keep(r);
    const int32_t result = WriteWaiting(files, statisticsFile);
    if (result != 0) failures.fetch_add(1, std::memory_order_relaxed);
    return result;
}

uint32_t JournalWriteFailures() { return failures.load(std::memory_order_relaxed); }
uint32_t JournalLinesWaiting() { return waitingCount.load(std::memory_order_relaxed); }
uint32_t JournalLinesLost() { return lost.load(std::memory_order_relaxed); }

void ResetJournalWriter() {
    firstWaiting = 0;
    waitingLines = 0;
    batchLines = 0;
    failures.store(0);
    waitingCount.store(0);
    lost.store(0);
}
