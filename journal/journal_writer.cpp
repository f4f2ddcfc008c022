#include "journal/journal_writer.h"

#include <atomic>
#include <cstring>

#include "journal/journal_file.h"
#include "journal/journal_line.h"

namespace {

std::atomic<uint32_t> failures{0};

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
    char path[kJournalPathMax];
    char line[kJournalLineMax];
    int32_t result = 0;
    if (!JournalDayFile(statisticsFile, r.time, path, sizeof path)) {
        result = 206;  // the name is too long (the system's own number for it on Windows)
    } else {
        const std::string_view text(line, FormatJournalLine(r, line));
        result = files.append(path, text);
        if (result != 0) {
            // Most likely the folder is not there yet (the first cycle beside this statistics
            // file): make it and try once more.
            char folder[kJournalPathMax];
            if (JournalFolder(statisticsFile, folder, sizeof folder) && files.makeFolder(folder) == 0)
                result = files.append(path, text);
        }
    }
    if (result != 0) failures.fetch_add(1, std::memory_order_relaxed);
    return result;
}

uint32_t JournalWriteFailures() { return failures.load(std::memory_order_relaxed); }
