// A journal that was shut for a day (86,400 lines waiting) meets its first cycle ends again, on a
// slow file seam (a network share: 20 ms a call and 2 MB/s). The reader thread writes the journal
// at the cycle end under the statistics lock, so each cycle end must stay far below the driver's
// 0.8 s input buffer: the target is 50 ms. For comparison, the whole backlog in one go.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <thread>

#include "journal/journal_writer.h"

namespace {

JournalAppend SlowAppend(const char*, std::string_view lines) {
    std::this_thread::sleep_for(std::chrono::microseconds(20000 + lines.size() / 2));
    return {0, lines.size()};
}
JournalAppend Refused(const char*, std::string_view) { return {32, 0}; }  // another program holds it
int32_t NoFolder(const char*) { return 0; }

JournalRecord Nth(int64_t n) {
    JournalRecord r{};
    r.time = {1767225600000LL + n * 1000, 60};
    r.cut = static_cast<int>(n % 16);
    r.peak = static_cast<uint8_t>(n % 200);
    r.bluntCounter = static_cast<int32_t>(n);
    r.breakLimit = 80;
    return r;
}

// A day of cycles held back: the ring full.
std::unique_ptr<JournalWriter> Backlog() {
    auto w = std::make_unique<JournalWriter>();
    ResetJournalWriter(*w);
    for (int64_t n = 0; n < static_cast<int64_t>(kJournalWaitingMax); ++n)
        (void)WriteJournalRecord(*w, {Refused, NoFolder}, "Default.$$$", Nth(n % 80000));
    return w;
}

// One cycle end with the backlog waiting: its own line and one batch of the old ones.
void CycleEndWithADayWaiting(benchmark::State& state) {
    auto w = Backlog();
    int64_t n = static_cast<int64_t>(kJournalWaitingMax);
    for (auto _ : state) {
        if (WriteJournalRecord(*w, {SlowAppend, NoFolder}, "Default.$$$", Nth(n++)) != 0)
            state.SkipWithError("write failed");
    }
    state.counters["waiting_after"] = JournalLinesWaiting(*w);
}
BENCHMARK(CycleEndWithADayWaiting)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(100);

// What one cycle end cost when it wrote the whole backlog at once.
void WholeBacklogInOneGo(benchmark::State& state) {
    auto w = Backlog();
    for (auto _ : state) {
        while (JournalLinesWaiting(*w) > 0)
            if (WriteWaitingJournalLines(*w, {SlowAppend, NoFolder}, "Default.$$$") != 0)
                state.SkipWithError("write failed");
    }
}
BENCHMARK(WholeBacklogInOneGo)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
