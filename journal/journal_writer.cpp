#include "journal/journal_writer.h"

#include <cstring>

#include "model/results.h"
#include "model/model.h"

namespace {

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

const JournalRecord& WaitingAt(const JournalWriter& w, std::size_t i) {
    return w.waiting[(w.firstWaiting + i) % kJournalWaitingMax];
}

void Keep(JournalWriter& w, const JournalRecord& r) {
    if (w.waitingLines == kJournalWaitingMax) {  // full: the oldest line gives way
        w.firstWaiting = (w.firstWaiting + 1) % kJournalWaitingMax;
        --w.waitingLines;
        w.batchLines = 0;
        Store(w.lost, Load(w.lost) + 1);
    }
    w.waiting[(w.firstWaiting + w.waitingLines) % kJournalWaitingMax] = r;
    ++w.waitingLines;
    Store(w.waitingCount, w.waitingLines);
}

void Forget(JournalWriter& w, std::size_t lines) {
    if (lines > 0) w.batchLines = 0;
    w.firstWaiting = (w.firstWaiting + lines) % kJournalWaitingMax;
    w.waitingLines -= lines;
    // An empty wait starts again at its first slot: a journal that keeps up uses one page of the
    // ring, where walking on would make all of its 4 MB resident over a day of cycles.
    if (w.waitingLines == 0) w.firstWaiting = 0;
    Store(w.waitingCount, w.waitingLines);
}

// The waiting lines of the first one's day, in order, into the batch; returns their number.
std::size_t FillBatch(JournalWriter& w) {
    if (w.batchLines == 0) FormatJournalDate(WaitingAt(w, 0).time, w.batchDay);
    char day[16];
    while (w.batchLines < w.waitingLines && w.batchLines < kJournalBatchLines) {
        const JournalRecord& r = WaitingAt(w, w.batchLines);
        FormatJournalDate(r.time, day);
        if (std::memcmp(day, w.batchDay, 10) != 0) break;
        const std::size_t at = w.batchLines > 0 ? w.batchEnds[w.batchLines - 1] : 0;
        w.batchEnds[w.batchLines] = at + FormatJournalLine(r, w.batch + at);
        ++w.batchLines;
    }
    return w.batchLines;
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

// One batch of the waiting lines, the oldest first: the work of one call stays bounded however
// long the journal was shut.
int32_t WriteBatch(JournalWriter& w, const JournalFiles& files, const char* statisticsFile) {
    if (w.waitingLines == 0) return 0;
    char path[kJournalPathMax];
    if (!JournalDayFile(statisticsFile, WaitingAt(w, 0).time, path, sizeof path)) return kResultNameTooLong;
    const std::size_t lines = FillBatch(w);
    const JournalAppend a = AppendBatch(files, statisticsFile, path, {w.batch, w.batchEnds[lines - 1]});
    // Lines that reached the file whole are done, even when the close failed after them; a line
    // cut short is cut off by the next append and written again whole.
    std::size_t done = 0;
    while (done < lines && w.batchEnds[done] <= a.written) ++done;
    Forget(w, done);
    if (a.error != 0) return a.error;
    if (done < lines) return kResultShortTransfer;  // no error, yet not all went: the rest waits
    return 0;
}

int32_t Counted(JournalWriter& w, int32_t result) {
    if (result != 0) Store(w.failures, Load(w.failures) + 1);
    return result;
}

}  // namespace

JournalFiles SystemJournalFiles() { return {AppendJournalFile, MakeJournalFolder}; }

void ResetJournalWriter(JournalWriter& w) {
    w.firstWaiting = 0;
    w.waitingLines = 0;
    w.batchLines = 0;
    Store(w.failures, 0);
    Store(w.waitingCount, 0);
    Store(w.lost, 0);
}

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

int32_t WriteJournalRecord(JournalWriter& w, const JournalFiles& files, const char* statisticsFile,
                           const JournalRecord& r) {
    Keep(w, r);
    return Counted(w, WriteBatch(w, files, statisticsFile));
}

int32_t WriteWaitingJournalLines(JournalWriter& w, const JournalFiles& files, const char* statisticsFile) {
    return w.waitingLines == 0 ? 0 : Counted(w, WriteBatch(w, files, statisticsFile));
}

uint32_t JournalWriteFailures(const JournalWriter& w) { return Load(w.failures); }
uint32_t JournalLinesWaiting(const JournalWriter& w) { return Load(w.waitingCount); }
uint32_t JournalLinesLost(const JournalWriter& w) { return Load(w.lost); }
