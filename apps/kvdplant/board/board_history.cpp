#include "board_history.h"

#include <algorithm>
#include <filesystem>

#include "board_model.h"
#include "model/cut.h"
#include "stats/chart.h"
#include "stats/database_source.h"
#include "stats/report.h"
#include "stats/sources.h"

namespace kvdboard {

namespace fs = std::filesystem;

namespace {

bool DayFileName(const std::string& n) {
    if (n.size() != 14 || n.compare(10, 4, ".csv") != 0) return false;
    for (std::size_t i = 0; i < 10; ++i)
        if ((i == 4 || i == 7) ? n[i] != '-' : (n[i] < '0' || n[i] > '9')) return false;
    return true;
}

int NewestCut(const kvdstat::Source& s) {
    int best = -1;
    int64_t bestMs = 0;
    for (int c = 0; c < kCutCount; ++c) {
        const auto& r = s.cuts[c].records;
        if (!r.empty() && (best < 0 || r.back().time.unixMs > bestMs))
            best = c, bestMs = r.back().time.unixMs;
    }
    return best;
}

}  // namespace

std::vector<std::string> NewestDayFiles(const std::string& folder, int days) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string n = it->path().filename().string();
        if (DayFileName(n) && it->is_regular_file(ec)) names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    const std::size_t keep = static_cast<std::size_t>(std::clamp(days, 1, kHistoryDaysMax));
    if (names.size() > keep) names.erase(names.begin(), names.end() - static_cast<long>(keep));
    return names;
}

namespace {

// The answer of a machine's day files (`names`), read into `sources` with `problems`.
nlohmann::json HistoryJson(const std::string& machine, const std::vector<std::string>& names,
                           std::vector<kvdstat::Source>& sources,
                           const std::vector<kvdstat::Problem>& problems, int cut) {
    nlohmann::json out = {{"machine", machine}, {"files", names}};
    if (names.empty() && problems.empty()) {
        out["summary"] = "no journal of " + machine + " yet";
        return out;
    }
    nlohmann::json problemList = nlohmann::json::array();
    for (const kvdstat::Problem& p : problems) problemList.push_back(p.where + ": " + p.message);
    out["problems"] = problemList;
    if (sources.empty() || names.empty()) return out;
    kvdstat::Source& s = sources.front();
    s.name = machine;
    if (cut < 0 || cut >= kCutCount || s.cuts[cut].Size() == 0) cut = NewestCut(s);
    out["summary"] = kvdstat::SummaryText(s, kAllCuts);
    if (cut < 0) return out;
    out["cut"] = CutNumber(cut);
    out["trend"] = kvdstat::TrendText(s, cut, kvdstat::TrendOptions{});
    const kvdstat::CutSeries& series = s.cuts[cut];
    out["chartSvg"] =
        kvdstat::ChartSvg(kvdstat::LayoutChart(series, cut, kvdstat::CurrentLimits(series), 960, 320));
    return out;
}

}  // namespace

nlohmann::json MachineHistory(const std::string& root, const std::string& machine, int days, int cut) {
    const std::string folder = (fs::path(root) / machine / "journal").string();
    const std::vector<std::string> names = NewestDayFiles(folder, days);
    std::vector<std::string> paths;
    for (const std::string& n : names) paths.push_back((fs::path(folder) / n).string());
    std::vector<kvdstat::Problem> problems;
    std::vector<kvdstat::Source> sources;
    if (!names.empty()) sources = kvdstat::LoadSources(paths, problems);
    return HistoryJson(machine, names, sources, problems, cut);
}

nlohmann::json MachineHistoryFromDatabase(const std::string& conninfo, const std::string& password,
                                          const std::string& machine, int days, int cut) {
    std::vector<std::string> names;
    std::vector<kvdstat::Problem> problems;
    std::vector<kvdstat::Source> sources;
    sources.push_back(kvdstat::ReadMachineDays(conninfo, password, machine,
                                               std::clamp(days, 1, kHistoryDaysMax), names, problems));
    return HistoryJson(machine, names, sources, problems, cut);
}

namespace {

// A machine's cycles of every cut, oldest first, as the model is seeded with them.
bool SeedSource(BoardModel& model, const std::string& name, const kvdstat::Source& source) {
    std::vector<JournalRecord> records;
    for (const kvdstat::CutSeries& c : source.cuts)
        records.insert(records.end(), c.records.begin(), c.records.end());
    std::stable_sort(records.begin(), records.end(), [](const JournalRecord& a, const JournalRecord& b) {
        return a.time.unixMs < b.time.unixMs;
    });
    return model.Seed(name, records);
}

}  // namespace

std::size_t SeedFromJournals(BoardModel& model, const std::string& root, int days) {
    std::vector<std::string> names;  // by name, as the database's
    std::error_code ec;
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
        if (ValidMachineName(it->path().filename().string())) names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    std::size_t seeded = 0;
    for (const std::string& name : names) {
        const fs::path folder = fs::path(root) / name / "journal";
        std::vector<std::string> paths;
        for (const std::string& n : NewestDayFiles(folder.string(), days))
            paths.push_back((folder / n).string());
        if (paths.empty()) continue;
        std::vector<kvdstat::Problem> problems;  // a malformed line is skipped here as in kvdstat
        std::vector<kvdstat::Source> sources = kvdstat::LoadSources(paths, problems);
        if (!sources.empty() && SeedSource(model, name, sources.front())) ++seeded;
    }
    return seeded;
}

std::size_t SeedFromDatabase(BoardModel& model, const std::string& conninfo, const std::string& password,
                             std::string& problem, int days) {
    std::vector<kvdstat::Problem> problems;
    std::size_t seeded = 0;
    for (const std::string& name : kvdstat::ReadMachineNames(conninfo, password, problems)) {
        std::vector<std::string> dayFiles;
        const kvdstat::Source source =
            kvdstat::ReadMachineDays(conninfo, password, name, days, dayFiles, problems);
        if (ValidMachineName(name) && !dayFiles.empty() && SeedSource(model, name, source)) ++seeded;
    }
    problem = problems.empty() ? "" : problems.front().message;
    return seeded;
}

}  // namespace kvdboard
