// The frames of machining cycles: order, values and length.
#include <gtest/gtest.h>

#include "frame_reader.h"
#include "unit_sim.h"

namespace kvdsim {
namespace {

using test::Decode;
using test::Received;

// Runs the simulator until `cycles` cycles are done and returns every value it sent.
Received RunCycles(SimConfig config, long cycles) {
    config.cycles = cycles;
    UnitSimulator sim(config);
    for (int i = 0; i < 10'000'000 && !sim.CyclesDone(); ++i) sim.Tick();
    EXPECT_TRUE(sim.CyclesDone());
    return Decode(sim.Output().TakeAll());
}

// The cycle codes and samples only (reports and idle samples between cycles left out).
struct CycleTrace {
    int cut = -1;
    int poMarks = 0;
    int tsSamples = 0, poSamples = 0, machiningSamples = 0;
    bool ended = false;
};

std::vector<CycleTrace> Cycles(const Received& r) {
    std::vector<CycleTrace> cycles;
    for (uint16_t v : r.values) {
        if (v >= 220 && v <= 235) {
            cycles.push_back({});
            cycles.back().cut = v - 220;
            continue;
        }
        if (cycles.empty() || cycles.back().ended) continue;
        CycleTrace& c = cycles.back();
        if (v == 201) ++c.poMarks;
        else if (v == 200) c.ended = true;
        else if (v <= 105) (c.poMarks == 0 ? c.tsSamples : c.poMarks == 1 ? c.poSamples : c.machiningSamples)++;
    }
    return cycles;
}

TEST(CycleSequence, DefaultCycleHasCutStartTwoPoMarksSamplesAndEnd) {
    SimConfig config;
    config.cuts = {2};
    const Received r = RunCycles(config, 3);
    EXPECT_EQ(r.invalidLines, 0);
    const std::vector<CycleTrace> cycles = Cycles(r);
    ASSERT_EQ(cycles.size(), 3u);
    for (const CycleTrace& c : cycles) {
        EXPECT_EQ(c.cut, 2);
        EXPECT_EQ(c.poMarks, 2);
        EXPECT_TRUE(c.ended);
        EXPECT_EQ(c.tsSamples, 200);  // Ts 2.0 s at 100 samples a second
        EXPECT_EQ(c.poSamples, 4);    // the unit's Po length
        EXPECT_GE(c.machiningSamples, 100);
        const int total = c.tsSamples + c.poSamples + c.machiningSamples;
        EXPECT_GE(total, 150);
        EXPECT_LE(total, 400);  // far below the 599 points of a curve screen
    }
    for (uint16_t v : r.values) EXPECT_TRUE(v <= 105 || (v >= 200 && v <= 235) || v >= 256) << v;
}

}  // namespace
}  // namespace kvdsim
