#include "plant/outbox.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <random>
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
    return std::strlen(day) == 10 && IsDayFileName(name);
}

// The line of `text` that ends right before `end` (a line feed at end - 1); false when the text
// does not hold its start (and `from` is not the file's start).
bool LineBefore(const char* text, std::size_t end, bool fromFileStart, std::string_view& line) {
    if (end == 0 || text[end - 1] != '\n') return false;
    std::size_t start = end - 1;
    while (start > 0 && text[start - 1] != '\n') --start;
    if (start == 0 && !fromFileStart) return false;
    line = {text + start, end - 1 - start};
    return true;
}

// The line ending at `offset` of a day file: 0 with *line, 1 when the file does not end a line
// there, or the system error code.
int32_t ReadLineBefore(const char* path, uint64_t offset, char (&buffer)[kChunk], std::string_view* line) {
    const uint32_t back = offset < kChunk ? static_cast<uint32_t>(offset) : kChunk;
    uint32_t got = 0;
    const int32_t r = ReadDayFile(path, offset - back, buffer, back, &got);
    if (r != 0) return IsMissingFile(r) ? 1 : r;
    return got == back && LineBefore(buffer, back, offset == back, *line) ? 0 : 1;
}

// The acknowledged line of a day file (the one ending at d.offset) as the position keeps it: its
// hash, and its time when it reads as a journal line.
void NoteAcknowledgedLine(const char* path, OutboxDay& d) {
    char buffer[kChunk];
    std::string_view line;
    if (d.offset == 0 || ReadLineBefore(path, d.offset, buffer, &line) != 0) return;
    d.lineHash = OutboxLineHash(line.data(), line.size());
    JournalRecord r{};
    const char* why = "";
    if (ParseJournalLine(line, r, &why)) d.lineTimeMs = r.time.unixMs;
}

// Where the line of this hash ends in the file, when it is there exactly once.
int32_t FindLine(const char* path, uint64_t hash, uint64_t* end, uint32_t* found) {
    static thread_local char chunk[16384];
    *found = 0;
    uint64_t h = OutboxLineHash("", 0), offset = 0;
    uint32_t got = 0;
    for (;; offset += got) {
        const int32_t r = ReadDayFile(path, offset, chunk, sizeof chunk, &got);
        if (r != 0) return IsMissingFile(r) ? 0 : r;
        if (got == 0) return 0;
        for (uint32_t i = 0; i < got; ++i) {
            if (chunk[i] != '\n') {
                h = (h ^ static_cast<unsigned char>(chunk[i])) * 1099511628211ULL;
                continue;
            }
            if (h == hash && ++*found == 1) *end = offset + i + 1;
            h = OutboxLineHash("", 0);
        }
    }
}

// Whether the day file still holds the acknowledged line at the acknowledged place; when it moved
// (lines deleted or inserted above it) the place follows it; when it is gone, or there twice, the
// file is read again from its start and only lines timed after it are sent.
int32_t CheckAnchor(const char* path, OutboxDay& d, bool* passed) {
    if (d.anchorLost || d.lineHash == 0 || d.offset == 0) return 0;
    char buffer[kChunk];
    std::string_view line;
    const int32_t r = ReadLineBefore(path, d.offset, buffer, &line);
    if (r == 0 && OutboxLineHash(line.data(), line.size()) == d.lineHash) return 0;
    if (r > 1) return r;
    uint64_t end = 0;
    uint32_t found = 0;
    if (const int32_t e = FindLine(path, d.lineHash, &end, &found)) return e;
    *passed = true;
    if (found == 1) {
        d.offset = end;
        return 0;
    }
    d.anchorLost = true;
    d.offset = 0;
    return 0;
}

// The watched day of this name, added (from its start) when it is a new day file; the oldest is
// given up when all places are taken. -1 when it is older than every watched day.
int WatchDay(OutboxPosition& p, const char* day, bool* passed) {
    int i = 0;
    while (i < static_cast<int>(p.dayCount) && std::strcmp(p.days[i].day, day) < 0) ++i;
    if (i < static_cast<int>(p.dayCount) && std::strcmp(p.days[i].day, day) == 0) return i;
    if (p.dayCount == kOutboxDaysMax) {
        if (i == 0) return -1;
        std::memmove(&p.days[0], &p.days[1], sizeof(OutboxDay) * (kOutboxDaysMax - 1));
        --p.dayCount;
        --i;
    }
    std::memmove(&p.days[i + 1], &p.days[i], sizeof(OutboxDay) * (p.dayCount - static_cast<uint32_t>(i)));
    p.days[i] = OutboxDay{};
    std::memcpy(p.days[i].day, day, kDayNameSize);
    ++p.dayCount;
    *passed = true;
    return i;
}

enum class DayRead { kLine, kNone, kError };

// The next cycle of one watched day file from its place on.
DayRead NextOfDay(const char* folder, OutboxPosition& at, int i, OutboxLine& out, int32_t* error) {
    char path[600];
    PathOf(folder, at.days[i].day, ".csv", path, sizeof path);
    if ((*error = CheckAnchor(path, at.days[i], &out.passed)) != 0) return DayRead::kError;
    OutboxDay& d = at.days[i];
    char chunk[kChunk];
    for (;;) {
        uint32_t got = 0;
        const int32_t r = ReadDayFile(path, d.offset, chunk, kChunk, &got);
        if (r != 0 && !IsMissingFile(r)) {
            *error = r;
            return DayRead::kError;
        }
        const char* end = static_cast<const char*>(std::memchr(chunk, '\n', got));
        if (end == nullptr) {
            if (got < kChunk) return DayRead::kNone;  // nothing whole yet
            d.offset += got;                          // a chunk without any line feed holds no journal line
            out.passed = true;
            continue;
        }
        const std::string_view line(chunk, static_cast<std::size_t>(end - chunk));
        const char* why = "";
        const bool cycle = ParseJournalLine(line, out.record, &why);
        if (cycle && !(d.anchorLost && out.record.time.unixMs <= d.lineTimeMs)) {
            out.next = at;
            OutboxDay& n = out.next.days[i];
            n = OutboxDay{};
            std::memcpy(n.day, d.day, kDayNameSize);
            n.offset = d.offset + line.size() + 1;
            n.lineHash = OutboxLineHash(line.data(), line.size());
            n.lineTimeMs = out.record.time.unixMs;
            out.next.sequence = at.sequence + 1;
            return DayRead::kLine;
        }
        // A header, a blank or malformed line, or one that cannot be told from a sent one.
        if (cycle) ++at.undecided;
        d.offset += line.size() + 1;
        d.lineHash = OutboxLineHash(line.data(), line.size());
        out.passed = true;
    }
}

// The day files from the oldest watched one on, in order: `visit` returns true to stop.
template <class Visit>
void ForEachDayFile(const char* folder, const OutboxPosition& at, Visit visit) {
    char day[kDayNameSize] = "";
    bool have = at.dayCount > 0 ? (std::memcpy(day, at.days[0].day, kDayNameSize), true)
                                : FindDayFiles(folder, "", day, nullptr);
    while (have && !visit(day)) have = FindDayFiles(folder, day, day, nullptr);
}

bool ParseDayLine(const char* text, OutboxDay& d, int* used) {
    char day[kDayNameSize] = {};
    int lost = 0;
    if (std::sscanf(text, "%10s %" SCNu64 " %" SCNx64 " %" SCNd64 " %d%n", day, &d.offset, &d.lineHash,
                    &d.lineTimeMs, &lost, used) != 5 ||
        text[*used] != '\n' || !ValidDay(day) || (lost != 0 && lost != 1))
        return false;
    std::memcpy(d.day, day, kDayNameSize);
    d.anchorLost = lost == 1;
    return true;
}

// The older format: "day offset sequence", "-" for before the first day file. Its place is
// taken as it stands, and the line there becomes the acknowledged one.
bool ParseOldPosition(const char* folder, const char* text, OutboxPosition& p) {
    char day[kDayNameSize] = {};
    int used = 0;
    OutboxDay d{};
    if (std::sscanf(text, "%10s %" SCNu64 " %" SCNu64 "%n", day, &d.offset, &p.sequence, &used) != 3 ||
        text[used] != '\n' || (day[0] != '-' && !ValidDay(day)))
        return false;
    if (day[0] == '-') return true;
    std::memcpy(d.day, day, kDayNameSize);
    char path[600];
    PathOf(folder, d.day, ".csv", path, sizeof path);
    NoteAcknowledgedLine(path, d);
    p.days[p.dayCount++] = d;
    return true;
}

}  // namespace

uint64_t OutboxLineHash(const char* text, std::size_t n) {
    uint64_t h = 14695981039346656037ULL;  // FNV-1a
    for (std::size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(text[i])) * 1099511628211ULL;
    return h;
}

void MakeOutboxId(char out[kOutboxIdSize]) {
    uint64_t v = static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    try {
        std::random_device device;
        v ^= (static_cast<uint64_t>(device()) << 32) ^ device();
    } catch (...) {
        // No system randomness: the clock's ticks alone still differ from one making to the next.
    }
    std::mt19937_64 mix(v);
    std::snprintf(out, kOutboxIdSize, "%016" PRIx64, mix());
}

bool LoadOutboxPosition(const char* journalFolder, OutboxPosition& out) {
    char path[600];
    PathOf(journalFolder, kPositionFile, "", path, sizeof path);
    File f;
    if (f.Open(path, kFileRead, FileDisposition::kOpenExisting) != 0) return false;
    char text[1024] = {};
    uint32_t got = 0;
    if (f.Read(text, sizeof text - 1, &got) != 0) return false;
    OutboxPosition p{};
    char id[kOutboxIdSize] = {};
    int used = 0;
    if (std::strncmp(text, "outbox 2 ", 9) != 0) {
        if (!ParseOldPosition(journalFolder, text, p)) return false;
        out = p;
        return true;
    }
    if (std::sscanf(text, "outbox 2 %16s %" SCNu64 " %" SCNu32 "%n", id, &p.sequence, &p.undecided, &used) !=
            3 ||
        text[used] != '\n' || (std::strlen(id) != 16 && std::strcmp(id, "-") != 0))
        return false;
    if (id[0] != '-') std::memcpy(p.id, id, kOutboxIdSize);
    for (const char* at = text + used + 1; *at != '\0'; ++at) {
        if (p.dayCount == kOutboxDaysMax || !ParseDayLine(at, p.days[p.dayCount], &used)) return false;
        if (p.dayCount > 0 && std::strcmp(p.days[p.dayCount - 1].day, p.days[p.dayCount].day) >= 0)
            return false;
        ++p.dayCount;
        at += used;
    }
    out = p;
    return true;
}

int32_t SaveOutboxPosition(const char* journalFolder, const OutboxPosition& p) {
    char path[600];
    PathOf(journalFolder, kPositionFile, "", path, sizeof path);
    char text[1024];
    int n = std::snprintf(text, sizeof text, "outbox 2 %s %" PRIu64 " %" PRIu32 "\n",
                          p.id[0] != '\0' ? p.id : "-", p.sequence, p.undecided);
    for (uint32_t i = 0; i < p.dayCount && i < kOutboxDaysMax; ++i) {
        const OutboxDay& d = p.days[i];
        n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n),
                           "%s %" PRIu64 " %016" PRIx64 " %" PRId64 " %d\n", d.day, d.offset, d.lineHash,
                           d.lineTimeMs, d.anchorLost ? 1 : 0);
    }
    ReplacingFile f;
    if (const int32_t r = f.Open(path)) return r;
    if (const int32_t r = WriteRecord(f.file(), text, static_cast<uint32_t>(n))) return r;
    return f.Commit();
}

OutboxPosition FreshOutboxPosition(const char* journalFolder, int64_t nowUnixMs) {
    OutboxPosition p{};
    MakeOutboxId(p.id);
    p.sequence = nowUnixMs > 0 ? static_cast<uint64_t>(nowUnixMs) : 0;
    OutboxDay d{};
    if (!FindDayFiles(journalFolder, "", nullptr, d.day)) return p;
    // The end of the newest file's whole lines, and the last of them.
    char path[600];
    PathOf(journalFolder, d.day, ".csv", path, sizeof path);
    char chunk[kChunk];
    uint32_t got = 0;
    for (uint64_t at = 0; ReadDayFile(path, at, chunk, kChunk, &got) == 0 && got > 0; at += got) {
        for (uint32_t i = 0; i < got; ++i)
            if (chunk[i] == '\n') d.offset = at + i + 1;
    }
    NoteAcknowledgedLine(path, d);
    p.days[p.dayCount++] = d;
    return p;
}

OutboxRead NextOutboxLine(const char* journalFolder, OutboxPosition& at, OutboxLine& out, int32_t* error) {
    out.passed = false;
    DayRead result = DayRead::kNone;
    ForEachDayFile(journalFolder, at, [&](const char* day) {
        const int i = WatchDay(at, day, &out.passed);
        if (i >= 0) result = NextOfDay(journalFolder, at, i, out, error);
        return result != DayRead::kNone;
    });
    return result == DayRead::kLine    ? OutboxRead::kLine
           : result == DayRead::kError ? OutboxRead::kError
                                       : OutboxRead::kNone;
}

uint32_t CountWaitingCycles(const char* journalFolder, const OutboxPosition& at, uint32_t limit) {
    // Line feeds from each day's place on, less the header row of a file read from its start: a
    // count for the eye, read in large pieces (a backlog of days is hundreds of thousands of lines).
    static thread_local char chunk[16384];
    uint64_t count = 0;
    OutboxPosition p = at;  // a changed day file is counted from where the next read will go
    ForEachDayFile(journalFolder, at, [&](const char* day) {
        char path[600];
        PathOf(journalFolder, day, ".csv", path, sizeof path);
        uint64_t offset = 0;
        bool passed = false;
        for (uint32_t i = 0; i < p.dayCount; ++i)
            if (std::strcmp(p.days[i].day, day) == 0 && CheckAnchor(path, p.days[i], &passed) == 0)
                offset = p.days[i].offset;
        uint32_t got = 0;
        const bool fromStart = offset == 0;
        uint64_t lines = 0;
        for (; ReadDayFile(path, offset, chunk, sizeof chunk, &got) == 0 && got > 0; offset += got)
            for (uint32_t i = 0; i < got; ++i) lines += chunk[i] == '\n';
        count += fromStart && lines > 0 ? lines - 1 : lines;
        return count >= limit;
    });
    return count < limit ? static_cast<uint32_t>(count) : limit;
}
