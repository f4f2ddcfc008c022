// kvdstat over a full statistics block (16 cuts x 50,000 entries = 800,000) read from its bytes,
// as the command does after reading the file; and the journal's cost at a cycle end: one line
// formatted and appended to a day file with open, one write and close.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <vector>

#include "journal/journal_line.h"
#include "journal/journal_writer.h"
#include "stats/report.h"
#include "stats/sources.h"

namespace {

// Every cut wrapped, a tool wearing slowly with noise, as a year of production leaves it.
std::vector<uint8_t> FullBlock() {
    std::vector<uint8_t> b(kvdstat::kBlockBytes);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> noise(-3, 3);
    for (int c = 0; c < kCutCount; ++c) {
        b[32 + 2 * c] = static_cast<uint8_t>(1234 & 0xFF);
        b[33 + 2 * c] = static_cast<uint8_t>(1234 >> 8);
        b[64 + 2 * c] = static_cast<uint8_t>(1235 & 0xFF);
        b[65 + 2 * c] = static_cast<uint8_t>(1235 >> 8);
        for (int k = 0; k < kvdstat::kRingEntries; ++k) {
            const std::size_t at =
                96 + static_cast<std::size_t>(c) * 100000 + 2 * static_cast<std::size_t>(k);
            b[at] = static_cast<uint8_t>(30 + (k % 5000) / 500 + noise(random));
            b[at + 1] = static_cast<uint8_t>(b[at] / 2);
        }
    }
    return b;
}

void SummaryOfFullBlock(benchmark::State& state) {
    const std::vector<uint8_t> block = FullBlock();
    for (auto _ : state) {
        kvdstat::Source s;
        std::vector<kvdstat::Problem> problems;
        kvdstat::ReadStatisticsBlock(block.data(), block.size(), "full.$$$", s, problems);
        benchmark::DoNotOptimize(kvdstat::SummaryText(s, kAllCuts));
    }
    state.SetItemsProcessed(state.iterations() * 800000);
}
BENCHMARK(SummaryOfFullBlock)->Unit(benchmark::kMillisecond);

void TrendOfFullBlock(benchmark::State& state) {
    const std::vector<uint8_t> block = FullBlock();
    for (auto _ : state) {
        kvdstat::Source s;
        std::vector<kvdstat::Problem> problems;
        kvdstat::ReadStatisticsBlock(block.data(), block.size(), "full.$$$", s, problems);
        benchmark::DoNotOptimize(kvdstat::TrendText(s, kAllCuts, {}));
    }
    state.SetItemsProcessed(state.iterations() * 800000);
}
BENCHMARK(TrendOfFullBlock)->Unit(benchmark::kMillisecond);

JournalRecord ARecord(int64_t ms) {
    JournalRecord r{};
    r.time = {ms, 60};
    r.cut = 3;
    r.peak = 41;
    r.work = 17;
    r.po = 12;
    r.alarms = kJournalBlunt;
    r.bluntCounter = 2;
    r.breakLimit = 50;
    r.bluntLimit = 30;
    r.missingLimit = 10;
    return r;
}

// The cycle end's share: format the line, open the day file, one write, close. The file grows
// as it does over a day (about 10,000 lines at most per run here).
void JournalLineAtCycleEnd(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kvdstat-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string statistics = (folder / "Default.$$$").string();
    const JournalFiles files = SystemJournalFiles();
    auto writer = std::make_unique<JournalWriter>();
    ResetJournalWriter(*writer);
    int64_t ms = 1767225600000LL;
    for (auto _ : state) {
        if (WriteJournalRecord(*writer, files, statistics.c_str(), ARecord(ms += 1000)) != 0)
            state.SkipWithError("write failed");
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(JournalLineAtCycleEnd)->Unit(benchmark::kMicrosecond)->Iterations(10000);

}  // namespace
