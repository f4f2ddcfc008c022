#include "sources.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>

#include "journal/journal_line.h"
#include "journal/journal_reader.h"

namespace kvdstat {

namespace {

uint16_t WordAt(const uint8_t* bytes, std::size_t offset) {
    return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && std::equal(tail.rbegin(), tail.rend(), s.rbegin(), [](char a, char b) {
               return std::tolower(a) == std::tolower(b);
           });
}

bool ReadFile(const std::filesystem::path& p, std::string& out) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

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
    for (int c = 0; c < kCuts; ++c) {
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

namespace {

// A folder "journal" inside a machine's folder (as kvdplant writes <folder>/<machine>/journal)
// stands for that machine; "" for any other path.
std::string MachineOf(const std::string& path) {
    std::filesystem::path p = std::filesystem::path(path).lexically_normal();
    if (p.filename().empty()) p = p.parent_path();
    if (p.filename() != "journal" || p.parent_path().filename().empty()) return {};
    const std::string machine = p.parent_path().filename().string();
    return machine == "." || machine == ".." ? std::string() : machine;
}

// The journal files (*.csv) of a folder, in name order, added to `into`.
void AddJournalFolder(const std::string& path, Source& into, std::vector<std::string>& names,
                      std::vector<Problem>& problems) {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(path, ec))
        if (e.is_regular_file() && EndsWith(e.path().string(), ".csv")) files.push_back(e.path());
    if (ec) problems.push_back({path, "cannot list the folder: " + ec.message()});
    std::sort(files.begin(), files.end());
    if (files.empty() && !ec) problems.push_back({path, "the folder holds no journal files (*.csv)"});
    for (const fs::path& f : files) {
        std::string text;
        if (!ReadFile(f, text)) {
            problems.push_back({f.string(), "cannot be read"});
        } else {
            AddJournalText(text, f.string(), into, problems);
            names.push_back(f.string());
        }
    }
}

}  // namespace

std::vector<Source> LoadSources(const std::vector<std::string>& paths, std::vector<Problem>& problems) {
    namespace fs = std::filesystem;
    std::vector<Source> sources;
    Source journal;
    std::vector<std::string> journalNames;
    // Several machines' journal folders (FOLDER/*/journal): each machine is a source of its own,
    // and all of them together are the plant.
    std::size_t machineFolders = 0;
    for (const std::string& path : paths)
        machineFolders += fs::is_directory(path) && !MachineOf(path).empty();
    std::vector<Source> machines;
    for (const std::string& path : paths) {
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            if (machineFolders >= 2 && !MachineOf(path).empty()) {
                Source& m = machines.emplace_back();
                m.journal = true;
                m.name = MachineOf(path);
                std::vector<std::string> names;
                AddJournalFolder(path, m, names, problems);
                for (int c = 0; c < kCuts; ++c) {
                    CutSeries& to = journal.cuts[c];
                    const CutSeries& from = m.cuts[c];
                    to.peak.insert(to.peak.end(), from.peak.begin(), from.peak.end());
                    to.work.insert(to.work.end(), from.work.begin(), from.work.end());
                    to.records.insert(to.records.end(), from.records.begin(), from.records.end());
                }
                journal.journal = true;
                journalNames.insert(journalNames.end(), names.begin(), names.end());
                SortJournal(m);
            } else {
                AddJournalFolder(path, journal, journalNames, problems);
            }
            continue;
        }
        std::string bytes;
        if (!fs::is_regular_file(path, ec) || !ReadFile(path, bytes)) {
            problems.push_back({path, "cannot be read"});
            continue;
        }
        if (EndsWith(path, ".csv") || bytes.compare(0, 5, "time,") == 0) {
            AddJournalText(bytes, path, journal, problems);
            journalNames.push_back(path);
            continue;
        }
        Source s;
        ReadStatisticsBlock(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), path, s, problems);
        if (bytes.size() >= kBlockBytes) sources.push_back(std::move(s));
    }
    for (Source& m : machines) sources.push_back(std::move(m));
    if (!journalNames.empty()) {
        journal.name = journalNames.size() == 1 ? journalNames.front()
                       : machines.empty() ? "journal (" + std::to_string(journalNames.size()) + " files)"
                                          : "the plant (" + std::to_string(machineFolders) + " machines)";
        SortJournal(journal);
        sources.push_back(std::move(journal));
    }
    return sources;
}

void FilterByTime(Source& s, const std::string& from, const std::string& to) {
    if (!s.journal || (from.empty() && to.empty())) return;
    for (CutSeries& c : s.cuts) {
        CutSeries kept;
        for (std::size_t i = 0; i < c.records.size(); ++i) {
            char text[40];
            const std::string stamp(text, FormatJournalTime(c.records[i].time, text));
            if (!from.empty() && stamp.compare(0, from.size(), from) < 0) continue;
            if (!to.empty() && stamp.compare(0, to.size(), to) >= 0) continue;
            kept.peak.push_back(c.peak[i]);
            kept.work.push_back(c.work[i]);
            kept.records.push_back(c.records[i]);
        }
        c = std::move(kept);
    }
}

}  // namespace kvdstat
