#include "stats/journal_scan.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

#include "journal/journal_line.h"

namespace kvdstat {

namespace {

// Digits only (a leading '-' where allowed), at most 11 characters as ParseJournalLine takes
// them, up to the next comma; p is left after the comma. False for anything else.
bool QuickField(const char*& p, const char* end, int64_t low, int64_t high, bool sign, int64_t& out) {
    const char* start = p;
    const bool negative = sign && p < end && *p == '-';
    if (negative) ++p;
    int64_t v = 0;
    const char* digits = p;
    while (p < end && *p >= '0' && *p <= '9') v = v * 10 + (*p++ - '0');
    if (p == digits || p == end || *p != ',' || p - start > 11) return false;
    ++p;
    out = negative ? -v : v;
    return out >= low && out <= high;
}

bool QuickLine(std::string_view line, JournalRecord& r) {
    if (line.size() < 30 || line[29] != ',' || !ParseJournalTime(line.substr(0, 29), r.time)) return false;
    static constexpr int64_t kHigh[13] = {16, 255,        255,        65535, 1,     1,    1,
                                          1,  2147483647, 2147483647, 65535, 65535, 65535};
    int64_t v[kJournalNumberFields];
    const char* p = line.data() + 30;
    const char* end = line.data() + line.size();
    for (int i = 0; i < 13; ++i) {
        const bool counter = i == 8 || i == 9;
        if (!QuickField(p, end, counter ? -2147483647 - 1 : i == 0 ? 1 : 0, kHigh[i], counter, v[i]))
            return false;
    }
    const std::string_view mode(p, static_cast<std::size_t>(end - p));
    if (mode == "power")
        r.bluntMode = kBluntModePower;
    else if (mode == "work")
        r.bluntMode = kBluntModeWork;
    else
        return false;
    FillJournalRecord(v, r);
    return true;
}

// One day file to read, and where its cycles go. A job without a file carries only the problems
// found while listing (they keep their place among the others).
struct Job {
    std::filesystem::path file;
    std::string name;  // in the problems
    int machine = -1;  // the machine's tally, or -1 for none
    std::vector<Problem> problems;
    bool read = false;  // read whole: the file counts among the journal's files
};

struct Targets {
    std::vector<Tally> machines;
    Tally journal;
};

// The lines of one file as ReadJournalText takes them (a byte order mark, the header, blank lines
// and a last line without its line feed skipped; a first line that is no header ends the file),
// read block by block. Returns "" when read whole, else why not.
class FileScan {
public:
    std::string Run(const Job& job, uint64_t jobIndex, Tally& into, std::vector<Problem>& problems) {
        errno = 0;
#ifdef _WIN32
        std::FILE* in = _wfopen(job.file.c_str(), L"rb");
#else
        std::FILE* in = std::fopen(job.file.c_str(), "rb");
#endif
        if (!in) return std::strerror(errno);
        if (buffer_.size() < kBlock) buffer_.resize(kBlock);
        std::size_t held = 0;  // bytes of a line not yet complete, at the buffer's start
        std::size_t number = 0;
        bool start = true, stopped = false;
        for (;;) {
            if (held == buffer_.size()) buffer_.resize(buffer_.size() * 2);  // a line longer than a block
            const std::size_t got = std::fread(buffer_.data() + held, 1, buffer_.size() - held, in);
            if (got == 0) break;
            std::string_view text(buffer_.data(), held + got);
            if (start && text.size() >= 3) {
                if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
                start = false;
            } else if (start && std::string_view("\xEF\xBB\xBF").substr(0, text.size()) == text) {
                held = text.size();  // too short yet to tell
                continue;
            }
            start = false;
            while (!stopped) {
                const void* nl = std::memchr(text.data(), '\n', text.size());
                if (nl == nullptr) break;
                const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(nl) - text.data());
                ++number;
                std::string_view line = text.substr(0, end);
                text.remove_prefix(end + 1);
                stopped = !Line(line, number, job, jobIndex, into, problems);
            }
            if (stopped) text = {};
            held = text.size();
            if (held > 0) std::memmove(buffer_.data(), text.data(), held);
        }
        const bool failed = std::ferror(in) != 0;
        const int error = errno;
        std::fclose(in);
        if (!failed) return {};
        return std::strerror(error != 0 ? error : EIO);
    }

private:
    static constexpr std::size_t kBlock = 1 << 20;
    std::vector<char> buffer_;

    // False: the file is no journal, read no further.
    static bool Line(std::string_view line, std::size_t number, const Job& job, uint64_t jobIndex,
                     Tally& into, std::vector<Problem>& problems) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line == kJournalHeader) return true;
        if (number == 1 && line.substr(0, 5) != "time,") {
            problems.push_back({job.name + ":1", "not a journal: the first line is not its header"});
            return false;
        }
        JournalRecord r{};
        const char* error = "";
        if (ParseJournalLineInPlace(line, r, &error))
            into.cuts[r.cut].Add(r, jobIndex << 32 | number);
        else
            problems.push_back({job.name + ":" + std::to_string(number), error});
        return true;
    }
};

void MergeTally(const Tally& from, Tally& to) {
    for (int c = 0; c < kCutCount; ++c) to.cuts[c].Merge(from.cuts[c]);
}

// The jobs in the order LoadSources reads: each path, a folder's files in name order.
std::vector<Job> Plan(const std::vector<std::string>& paths, std::vector<std::string>& machines,
                      std::size_t& machineFolders) {
    namespace fs = std::filesystem;
    std::vector<Job> jobs;
    machineFolders = 0;
    for (const std::string& path : paths) {
        std::error_code ec;
        machineFolders += fs::is_directory(path, ec) && !MachineOf(path).empty();
    }
    for (const std::string& path : paths) {
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            const std::string machine = MachineOf(path);
            int index = -1;
            if (machineFolders >= 2 && !machine.empty()) {
                index = static_cast<int>(machines.size());
                machines.push_back(machine);
            }
            Job& listing = jobs.emplace_back();
            for (const fs::path& f : JournalFilesIn(path, listing.problems)) {
                Job& j = jobs.emplace_back();
                j.file = f;
                j.name = f.string();
                j.machine = index;
            }
            continue;
        }
        Job& j = jobs.emplace_back();
        if (!fs::is_regular_file(path, ec)) {
            j.problems.push_back({path, CannotBeRead(ec ? ec.message() : "not a regular file")});
            continue;
        }
        j.file = path;
        j.name = path;
    }
    return jobs;
}

}  // namespace

bool ParseJournalLineInPlace(std::string_view line, JournalRecord& out, const char** error) {
    JournalRecord r{};
    if (QuickLine(line, r)) {
        out = r;
        return true;
    }
    return ParseJournalLine(line, out, error);
}

bool AllJournals(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        std::error_code ec;
        if (!std::filesystem::is_directory(path, ec) && !EndsWith(path, ".csv")) return false;
    }
    return true;
}

std::vector<Tally> TallyJournals(const std::vector<std::string>& paths, std::vector<Problem>& problems,
                                 unsigned threads) {
    std::vector<std::string> machineNames;
    std::size_t machineFolders = 0;
    std::vector<Job> jobs = Plan(paths, machineNames, machineFolders);

    // Each reader takes the next file and tallies into its own targets; the targets are merged
    // after, and a cycle's place in the order (file, line) travels with the first and last, so
    // the result does not depend on which reader took which file.
    const unsigned readers = std::max(1u, std::min<unsigned>(threads, static_cast<unsigned>(jobs.size())));
    std::vector<Targets> targets(readers);
    for (Targets& t : targets) t.machines.resize(machineNames.size());
    std::atomic<std::size_t> next{0};
    auto work = [&](Targets& mine) {
        FileScan scan;
        auto file = std::make_unique<Tally>();
        for (std::size_t i = next.fetch_add(1, std::memory_order_relaxed); i < jobs.size();
             i = next.fetch_add(1, std::memory_order_relaxed)) {
            Job& job = jobs[i];
            if (job.file.empty()) continue;
            *file = Tally{};
            std::vector<Problem> found;
            if (const std::string reason = scan.Run(job, i, *file, found); !reason.empty()) {
                job.problems.push_back({job.name, CannotBeRead(reason)});
                continue;
            }
            job.problems.insert(job.problems.end(), found.begin(), found.end());
            job.read = true;
            if (job.machine >= 0) MergeTally(*file, mine.machines[static_cast<std::size_t>(job.machine)]);
            MergeTally(*file, mine.journal);
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned k = 1; k < readers; ++k) helpers.emplace_back(work, std::ref(targets[k]));
    work(targets[0]);
    for (std::thread& h : helpers) h.join();

    std::vector<Tally> out(machineNames.size());
    for (std::size_t m = 0; m < out.size(); ++m) {
        out[m].name = machineNames[m];
        out[m].journal = true;
        for (const Targets& t : targets) MergeTally(t.machines[m], out[m]);
    }
    std::size_t files = 0;
    std::string first;
    for (Job& job : jobs) {
        problems.insert(problems.end(), job.problems.begin(), job.problems.end());
        if (!job.read) continue;
        if (files++ == 0) first = job.name;
    }
    if (files > 0) {
        Tally& all = out.emplace_back();
        all.journal = true;
        all.name = files == 1             ? first
                   : machineNames.empty() ? "journal (" + std::to_string(files) + " files)"
                                          : "the plant (" + std::to_string(machineFolders) + " machines)";
        for (const Targets& t : targets) MergeTally(t.journal, all);
    }
    return out;
}

}  // namespace kvdstat
