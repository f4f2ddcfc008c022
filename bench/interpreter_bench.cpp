// Interpreter speed against the line it serves, and the cost of one cycle end with the real
// autosave of the 1.6 MB statistics block.
//
// Targets: at least 100,000 times the line rate (1,920 bytes/s), so the reader thread is idle
// almost all the time; a cycle end well under 50 ms, since the bytes that arrive meanwhile wait
// in the 1,500-byte driver buffer (about 0.8 s of traffic), which also has to cover the snapshot.
// The statistics file is written in the working directory (run it where the program's files
// would live, not on a RAM disk, for a fair number).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "files/config.h"
#include "files/statistics_file.h"
#include "link/frame_codec.h"
#include "link/interpreter.h"
#include "model/model.h"
#include "link/link.h"
#include "model/window_service.h"
#include "shell/monitor.h"

namespace {
// The benchmark's own monitor record, made as the program makes its one (the link, the statistics
// file's state, the model and the block with its lock): allocated once.
Monitor& Bench() {
    static const MonitorOwner monitor = NewMonitor();
    return *monitor;
}
}  // namespace

namespace {

void ResetServices() {
    Bench().link.windowService = {};
    Bench().link.storageService = {};
}

constexpr double kLineBytesPerSecond = 1920.0;

void AddFrame(std::vector<uint8_t>& s, uint16_t v) {
    uint8_t f[kWordFrameSize];
    const int n = v < 256 ? BuildCodeFrame(static_cast<uint8_t>(v), f) : BuildWordFrame(v, f);
    s.insert(s.end(), f, f + n);
}

// What the unit sends for a few typical cycles: mostly samples, some events and reports.
std::vector<uint8_t> TypicalStream() {
    std::vector<uint8_t> s;
    for (int k = 0; k < 16; ++k) {
        const int cut = k % 4;
        AddFrame(s, static_cast<uint16_t>(220 + cut));
        for (int i = 0; i < 20; ++i) AddFrame(s, 12);
        AddFrame(s, 201);
        for (int i = 0; i < 10; ++i) AddFrame(s, 20);
        AddFrame(s, 201);
        for (int i = 0; i < 400; ++i) AddFrame(s, static_cast<uint16_t>(20 + (i * 13) % 80));
        AddFrame(s, static_cast<uint16_t>((cut << 12) | (383 + k % 50)));
        AddFrame(s, 207);
        AddFrame(s, 200);
    }
    return s;
}

void Start() {
    Monitor& m = Bench();
    ResetModel(m.model, m.statistics);
    WriteParameterDefaults(m.model);
    ResetInterpreter(m.link);
    PresetConfiguration(m.config);
}

void BM_InterpreterThroughput(benchmark::State& state) {
    Start();
    ResetServices();
    Bench().link.windowService.invalidate = [](void*, Region, bool) {};
    Bench().link.storageService.saveStatistics = [](void*) {
        return int32_t{0};
    };  // the file write is measured on its own below
    const auto stream = TypicalStream();
    for (auto _ : state) {
        for (size_t i = 0; i < stream.size(); i += 4)
            InterpretBytes(Bench().link, stream.data() + i,
                           static_cast<int32_t>(std::min<size_t>(4, stream.size() - i)));
        benchmark::ClobberMemory();
    }
    const double bytes = static_cast<double>(stream.size()) * static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["x_line_rate"] =
        benchmark::Counter(bytes / kLineBytesPerSecond, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_InterpreterThroughput);

void BM_CycleEndWithAutosave(benchmark::State& state) {
    Start();
    std::snprintf(Bench().config.statisticsFileName, sizeof Bench().config.statisticsFileName,
                  "bench-autosave.$$$");
    ResetServices();
    Bench().link.storageService.saveStatistics = [](void*) {
        return SaveStatisticsInUse(Bench().statisticsFile);
    };
    std::vector<uint8_t> cycleEnd;
    AddFrame(cycleEnd, 220);  // a cycle end is taken only after its cut start
    AddFrame(cycleEnd, 200);
    InterpretBytes(Bench().link, cycleEnd.data(),
                   static_cast<int32_t>(cycleEnd.size()));  // the file exists from here
    for (auto _ : state) InterpretBytes(Bench().link, cycleEnd.data(), static_cast<int32_t>(cycleEnd.size()));
    std::remove(Bench().config.statisticsFileName);
    ResetServices();
}
BENCHMARK(BM_CycleEndWithAutosave)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
