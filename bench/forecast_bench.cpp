// The wear forecast's costs: one cycle end (the entry appended, the cut's trend following it, the
// forecast record made and judged for the warning), and the start from a full statistics block
// (16 wrapped cuts, 800,000 entries: the last window and the start of the rise of each cut).
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>

#include "model/model.h"
#include "trend/cut_trend.h"

namespace {

TrendBook book;

// The benchmark's statistics block (1.6 MB): allocated once.
CutStatistics& BenchStatistics() {
    static const auto statistics = std::make_unique<CutStatistics>();
    return *statistics;
}

// Every cut wrapped; tools that wear for 5,000 cycles with noise and are then changed.
void FillFullBlock() {
    CutStatistics& statistics = BenchStatistics();
    std::memset(&statistics, 0, sizeof statistics);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> noise(-3, 3);
    for (int c = 0; c < kCutCount; ++c) {
        statistics.writeIndex[c] = 1234;
        statistics.wrapMarker[c] = 1235;
        for (int k = 0; k < kStatisticsEntries; ++k) {
            const auto peak = static_cast<uint8_t>(30 + (k % 5000) / 100 + noise(random));
            statistics.entries[c][k] = {peak, static_cast<uint8_t>(peak / 2)};
        }
    }
}

void ForecastUpdatePerCycle(benchmark::State& state) {
    FillFullBlock();
    StartTrends(book, BenchStatistics(), kForecastWindowDefault);
    const CutParameters limits = DefaultCutParameters();
    uint8_t peak = 30;
    for (auto _ : state) {
        peak = static_cast<uint8_t>(peak == 90 ? 30 : peak + 1);
        AppendStatisticsEntry(BenchStatistics(), 2, {peak, static_cast<uint8_t>(peak / 2)});
        FollowStatistics(book, BenchStatistics(), 2);
        const CutForecast f = ForecastOf(book, 2, limits);
        benchmark::DoNotOptimize(ForecastWarns(f, kForecastWarningCycles));
    }
}
BENCHMARK(ForecastUpdatePerCycle)->Unit(benchmark::kMicrosecond);

void ForecastStartFromFullBlock(benchmark::State& state) {
    FillFullBlock();
    for (auto _ : state) {
        StartTrends(book, BenchStatistics(), kForecastWindowDefault);
        benchmark::DoNotOptimize(ForecastOf(book, 0, DefaultCutParameters()));
    }
    state.SetItemsProcessed(state.iterations() * kCutCount * kStatisticsEntries);
}
BENCHMARK(ForecastStartFromFullBlock)->Unit(benchmark::kMillisecond);

}  // namespace
