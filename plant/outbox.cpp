#include "plant/outbox.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "files/file_io.h"
#include "journal/journal_line.h"

namespace {

constexpr char kPositionFile[] = "plant.pos";
constexpr uint32_t kChunk = 512;  // more than the longest journal line

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

void PathOf(const char* folder, const char* name, const char* extension, char* out, std::size_t size) {
    std::snprintf(out, size, "%s%c%s%s", folder, kSeparator, name, extension);
}

bool ValidDay(const char* day) {
    char name[kDayNameSize + 4];
    std::snprintf(name, sizeof name, "%.10s.csv", day);
    return IsDayFileName(name);
}

// A newer day file than `day`, which then will never grow again.
bool LaterDay(const char* folder, const char* day, char* next) {
    return FindDayFiles(folder, day, next, nullptr);
}

}  // namespace

bool LoadOutboxPosition(const char* journalFolder, OutboxPosition& out) {
    char path[600];
    PathOf(journalFolder, kPositionFile, "", path, sizeof path);
    File f;
    if (f.Open(path, kFileRead, FileDisposition::kOpenExisting) != 0) return false;
    char text[96] = {};
    uint32_t got = 0;
    if (f.Read(text, sizeof text - 1, &got) != 0) return false;
    OutboxPosition p{};
    char day[kDayNameSize] = {};
    int used = 0;
    if (std::sscanf(text, "%10s %" SCNu64 " %" SCNu64 "%n", day, &p.offset, &p.sequence, &used) != 3 ||
        text[used] != '\n' || (day[0] != '-' && !ValidDay(day)))
        return false;
    if (day[0] != '-') std::memcpy(p.day, day, kDayNameSize);
    out = p;
    return true;
}

int32_t SaveOutboxPosition(const char* journalFolder, const OutboxPosition& p) {
    char path[600];
    PathOf(journalFolder, kPositionFile, "", path, sizeof path);
    char text[96];
    // "-" stands for "before the first day file".
    const int n = std::snprintf(text, sizeof text, "%s %" PRIu64 " %" PRIu64 "\n",
                                p.day[0] != '\0' ? p.day : "-", p.offset, p.sequence);
    ReplacingFile f;
    if (const int32_t r = f.Open(path)) return r;
    if (const int32_t r = WriteRecord(f.file(), text, static_cast<uint32_t>(n))) return r;
    return f.Commit();
}

OutboxPosition FreshOutboxPosition(const char* journalFolder, int64_t nowUnixMs) {
    OutboxPosition p{};
    p.sequence = nowUnixMs > 0 ? static_cast<uint64_t>(nowUnixMs) : 0;
    if (!FindDayFiles(journalFolder, "", nullptr, p.day)) return p;
    // The end of the newest file's whole lines.
    char path[600];
    PathOf(journalFolder, p.day, ".csv", path, sizeof path);
    char chunk[kChunk];
    uint32_t got = 0;
    for (uint64_t at = 0; ReadDayFile(path, at, chunk, kChunk, &got) == 0 && got > 0; at += got) {
        for (uint32_t i = 0; i < got; ++i)
            if (chunk[i] == '\n') p.offset = at + i + 1;
    }
    return p;
}

OutboxRead NextOutboxLine(const char* journalFolder, const OutboxPosition& at, OutboxLine& out,
                          int32_t* error) {
    OutboxPosition p = at;
    char path[600];
    char chunk[kChunk];
    for (;;) {
        uint32_t got = 0;
        int32_t r = 0;
        if (p.day[0] != '\0') {
            PathOf(journalFolder, p.day, ".csv", path, sizeof path);
            r = ReadDayFile(path, p.offset, chunk, kChunk, &got);
        }
        const char* end = static_cast<const char*>(std::memchr(chunk, '\n', got));
        if (r != 0 && !IsMissingFile(r)) {
            *error = r;
            return OutboxRead::kError;
        }
        if (end == nullptr) {
            // Nothing whole left in this file: go on with the next day's, or wait for more. A
            // chunk without any line feed holds no journal line at all and is passed over.
            if (got == kChunk) {
                p.offset += got;
                continue;
            }
            char next[kDayNameSize];
            if (!LaterDay(journalFolder, p.day, next)) return OutboxRead::kNone;
            std::memcpy(p.day, next, kDayNameSize);
            p.offset = 0;
            continue;
        }
        const std::string_view line(chunk, static_cast<std::size_t>(end - chunk));
        p.offset += line.size() + 1;
        const char* why = "";
        if (ParseJournalLine(line, out.record, &why)) {
            p.sequence = at.sequence + 1;
            out.next = p;
            return OutboxRead::kLine;
        }
    }
}

uint32_t CountWaitingCycles(const char* journalFolder, const OutboxPosition& at, uint32_t limit) {
    // Line feeds from the position on, less each file's header row: a count for the eye, read in
    // large pieces (a backlog of days is hundreds of thousands of lines).
    static thread_local char chunk[16384];
    char day[kDayNameSize];
    std::memcpy(day, at.day, kDayNameSize);
    uint64_t offset = at.offset;
    uint64_t count = 0;
    if (day[0] == '\0' && !LaterDay(journalFolder, day, day)) return 0;
    do {
        char path[600];
        PathOf(journalFolder, day, ".csv", path, sizeof path);
        uint32_t got = 0;
        const bool fromStart = offset == 0;
        uint64_t lines = 0;
        for (; ReadDayFile(path, offset, chunk, sizeof chunk, &got) == 0 && got > 0; offset += got)
            for (uint32_t i = 0; i < got; ++i) lines += chunk[i] == '\n';
        count += fromStart && lines > 0 ? lines - 1 : lines;
        offset = 0;
    } while (count < limit && LaterDay(journalFolder, day, day));
    return count < limit ? static_cast<uint32_t>(count) : limit;
}
