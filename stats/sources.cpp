#include "stats/sources.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <numeric>

#include "journal/journal_line.h"
#include "journal/journal_reader.h"

namespace kvdstat {

namespace {

uint16_t WordAt(const uint8_t* bytes, std::size_t offset) {
    return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

}  // namespace

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && std::equal(tail.rbegin(), tail.rend(), s.rbegin(), [](char a, char b) {
               return std::tolower(a) == std::tolower(b);
           });
}

// The journal files (*.csv) of a folder, in name order. An entry whose status cannot be had (a
// link that loops, a target out of reach) is reported and left out; the others are still read.
std::vector<std::filesystem::path> JournalFilesIn(const std::string& folder, std::vector<Problem>& problems) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    std::error_code ec;
    bool named = false;  // an entry named as a journal file was seen
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (!EndsWith(it->path().string(), ".csv")) continue;
        named = true;
        std::error_code status;
        const bool regular = it->is_regular_file(status);
        if (status)
            problems.push_back({it->path().string(), "cannot be read: " + status.message()});
        else if (regular)
            files.push_back(it->path());
    }
    if (ec) problems.push_back({folder, "cannot list the folder: " + ec.message()});
    std::sort(files.begin(), files.end());
    if (!named && !ec) problems.push_back({folder, "the folder holds no journal files (*.csv)"});
    return files;
}

namespace {

// Reads a whole file through the C library, which reports a failed read (an I/O error, a file
// gone from under it) in errno rather than in an exception from the stream's buffer. Returns ""
// when read, else why not.
std::string ReadFile(const std::filesystem::path& p, std::string& out) {
    errno = 0;
#ifdef _WIN32
    std::FILE* in = _wfopen(p.c_str(), L"rb");  // names beyond the code page too
#else
    std::FILE* in = std::fopen(p.c_str(), "rb");
#endif
    if (!in) return std::strerror(errno);
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) out.append(chunk, got);
    const bool failed = std::ferror(in) != 0;
    const int error = errno;
    std::fclose(in);
    if (!failed) return {};
    return std::strerror(error != 0 ? error : EIO);
}

}  // namespace

std::string CannotBeRead(const std::string& reason) { return "cannot be read: " + reason; }

void ReadStatisticsBlock(const uint8_t* bytes, std::size_t size, const std::string& name, Source& out,
                         std::vector<Problem>& problems) {
    out.name = name;
    out.journal = false;
    if (size < kBlockBytes) {
        problems.push_back({name, "not a statistics file: " + std::to_string(size) +
                                      " bytes, a statistics file holds " + std::to_string(kBlockBytes)});
        return;
    }
    if (size > kBlockBytes)
        problems.push_back(
            {name, std::to_string(size - kBlockBytes) + " bytes after the statistics block are ignored",
             true});
    for (int c = 0; c < kCutCount; ++c) {
        const unsigned write = WordAt(bytes, 32 + 2 * static_cast<std::size_t>(c));
        const unsigned wrap = WordAt(bytes, 64 + 2 * static_cast<std::size_t>(c));
        // After the first wrap the marker is always one ahead of the write index, and 0 while
        // the write index stands at the ring's last entry.
        const bool damaged = write >= kRingEntries || wrap >= kRingEntries ||
                             (wrap != 0 && wrap != (write + 1) % kRingEntries);
        if (damaged) {
            problems.push_back({name, "cut " + std::to_string(c + 1) + ": damaged index (writeIndex " +
                                          std::to_string(write) + ", wrapMarker " + std::to_string(wrap) +
                                          "); its entries are left out"});
            continue;
        }
        CutSeries& s = out.cuts[c];
        const std::size_t count = wrap == 0 ? write : kRingEntries;
        const std::size_t first = wrap == 0 ? 0 : write;  // oldest entry: the next to be overwritten
        s.peak.resize(count);
        s.work.resize(count);
        const uint8_t* ring = bytes + 96 + static_cast<std::size_t>(c) * 2 * kRingEntries;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t k = (first + i) % kRingEntries;
            s.peak[i] = ring[2 * k];
            s.work[i] = ring[2 * k + 1];
        }
    }
}

void AddJournalText(const std::string& text, const std::string& name, Source& out,
                    std::vector<Problem>& problems) {
    out.journal = true;
    JournalText read;
    ReadJournalText(text, read);
    for (const JournalIssue& issue : read.issues)
        problems.push_back({name + ":" + std::to_string(issue.line), issue.message});
    for (const JournalRecord& r : read.records) {
        CutSeries& s = out.cuts[r.cut];
        s.peak.push_back(r.peak);
        s.work.push_back(r.work);
        s.records.push_back(r);
    }
}

void SortJournal(Source& s) {
    for (CutSeries& c : s.cuts) {
        if (std::is_sorted(
                c.records.begin(), c.records.end(),
                [](const JournalRecord& a, const JournalRecord& b) { return a.time.unixMs < b.time.unixMs; }))
            continue;
        std::stable_sort(
            c.records.begin(), c.records.end(),
            [](const JournalRecord& a, const JournalRecord& b) { return a.time.unixMs < b.time.unixMs; });
        for (std::size_t i = 0; i < c.records.size(); ++i) {
            c.peak[i] = c.records[i].peak;
            c.work[i] = c.records[i].work;
        }
    }
}

std::string MachineOf(const std::string& path) {
    std::filesystem::path p = std::filesystem::path(path).lexically_normal();
    if (p.filename().empty()) p = p.parent_path();
    if (p.filename() != "journal" || p.parent_path().filename().empty()) return {};
    const std::string machine = p.parent_path().filename().string();
    return machine == "." || machine == ".." ? std::string() : machine;
}

namespace {

// The journal files (*.csv) of a folder, in name order, added to `into`.
void AddJournalFolder(const std::string& path, Source& into, std::vector<std::string>& names,
                      std::vector<Problem>& problems) {
    for (const std::filesystem::path& f : JournalFilesIn(path, problems)) {
        std::string text;
        if (const std::string reason = ReadFile(f, text); !reason.empty()) {
            problems.push_back({f.string(), CannotBeRead(reason)});
        } else {
            AddJournalText(text, f.string(), into, problems);
            names.push_back(f.string());
        }
    }
}

}  // namespace

namespace {

// Appends one machine's cycles to the plant's.
void AddToPlant(const Source& machine, Source& plant) {
    for (int c = 0; c < kCutCount; ++c) {
        CutSeries& to = plant.cuts[c];
        const CutSeries& from = machine.cuts[c];
        to.peak.insert(to.peak.end(), from.peak.begin(), from.peak.end());
        to.work.insert(to.work.end(), from.work.begin(), from.work.end());
        to.records.insert(to.records.end(), from.records.begin(), from.records.end());
    }
    plant.journal = true;
}

// What the paths name: statistics files, journal files and folders, machines' journal folders.
struct Loading {
    std::vector<Source> sources;
    std::vector<Source> machines;
    Source journal;  // every journal line given, the plant's when machines are given
    std::vector<std::string> journalNames;
    std::size_t machineFolders = 0;
};

void LoadFolder(const std::string& path, Loading& l, std::vector<Problem>& problems) {
    const std::string machine = MachineOf(path);
    if (l.machineFolders < 2 || machine.empty()) {
        AddJournalFolder(path, l.journal, l.journalNames, problems);
        return;
    }
    Source& m = l.machines.emplace_back();
    m.journal = true;
    m.name = machine;
    AddJournalFolder(path, m, l.journalNames, problems);
    AddToPlant(m, l.journal);
    SortJournal(m);
}

void LoadFile(const std::string& path, Loading& l, std::vector<Problem>& problems) {
    std::error_code ec;
    std::string bytes;
    // Only a regular file is read: a pipe or a device could keep the read waiting for ever.
    if (!std::filesystem::is_regular_file(path, ec)) {
        problems.push_back({path, CannotBeRead(ec ? ec.message() : "not a regular file")});
        return;
    }
    if (const std::string reason = ReadFile(path, bytes); !reason.empty()) {
        problems.push_back({path, CannotBeRead(reason)});
        return;
    }
    if (EndsWith(path, ".csv") || bytes.compare(0, 5, "time,") == 0) {
        AddJournalText(bytes, path, l.journal, problems);
        l.journalNames.push_back(path);
        return;
    }
    Source s;
    ReadStatisticsBlock(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), path, s, problems);
    if (bytes.size() >= kBlockBytes) l.sources.push_back(std::move(s));
}

}  // namespace

std::vector<Source> LoadSources(const std::vector<std::string>& paths, std::vector<Problem>& problems) {
    namespace fs = std::filesystem;
    Loading l;
    // Several machines' journal folders (FOLDER/*/journal): each machine is a source of its own,
    // and all of them together are the plant.
    for (const std::string& path : paths) {
        std::error_code ec;
        l.machineFolders += fs::is_directory(path, ec) && !MachineOf(path).empty();
    }
    for (const std::string& path : paths) {
        std::error_code ec;
        if (fs::is_directory(path, ec))
            LoadFolder(path, l, problems);
        else
            LoadFile(path, l, problems);
    }
    for (Source& m : l.machines) l.sources.push_back(std::move(m));
    if (!l.journalNames.empty()) {
        l.journal.name = l.journalNames.size() == 1 ? l.journalNames.front()
                         : l.machines.empty()
                             ? "journal (" + std::to_string(l.journalNames.size()) + " files)"
                             : "the plant (" + std::to_string(l.machineFolders) + " machines)";
        SortJournal(l.journal);
        l.sources.push_back(std::move(l.journal));
    }
    return l.sources;
}

std::vector<Source> MachinesAndPlant(std::vector<Source> machines) {
    std::sort(machines.begin(), machines.end(),
              [](const Source& a, const Source& b) { return a.name < b.name; });
    for (Source& m : machines) SortJournal(m);
    if (machines.size() < 2) return machines;
    Source plant;
    plant.name = "the plant (" + std::to_string(machines.size()) + " machines)";
    for (const Source& m : machines) AddToPlant(m, plant);
    SortJournal(plant);
    machines.push_back(std::move(plant));
    return machines;
}

}  // namespace kvdstat
