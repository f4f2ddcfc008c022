// The frames of machining cycles: order, values, length and the load on the line.
#include <gtest/gtest.h>

#include "sim_driver.h"

namespace kvdsim {
namespace {

using namespace test;

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
        if (v == 201)
            ++c.poMarks;
        else if (v == 200)
            c.ended = true;
        else if (v <= 105)
            (c.poMarks == 0 ? c.tsSamples : c.poMarks == 1 ? c.poSamples : c.machiningSamples)++;
    }
    return cycles;
}

TEST(CycleSequence, DefaultCycleHasCutStartTwoPoMarksSamplesAndEnd) {
    SimConfig config;
    config.cuts = {2};
    config.cycles = 3;
    UnitSimulator sim(config);
    const Received r = Decode(RunToEnd(sim));
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

TEST(CycleSequence, CutsArePlayedInTheGivenOrderOverAndOver) {
    SimConfig config;
    config.cuts = {0, 4, 15};
    config.cycles = 5;
    UnitSimulator sim(config);
    const std::vector<CycleTrace> cycles = Cycles(Decode(RunToEnd(sim)));
    ASSERT_EQ(cycles.size(), 5u);
    const int expected[] = {0, 4, 15, 0, 4};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(cycles[static_cast<std::size_t>(i)].cut, expected[i]);
}

TEST(CycleSequence, SamplesStayInRangeWhateverTheLimits) {
    // Limits at the top and the bottom of their ranges, and a blunt tool that keeps rising.
    for (const uint16_t limit : {uint16_t{0}, uint16_t{5}, uint16_t{60}, uint16_t{100}}) {
        SimConfig config;
        config.cycles = 4;
        for (CutParameters& c : config.parameters.cuts) c.breakLimit = c.bluntLimit = c.missingLimit = limit;
        config.scenarios = {{ScenarioKind::Blunt, 1, 30}};
        UnitSimulator sim(config);
        const Received r = Decode(RunToEnd(sim));
        for (uint16_t v : r.values) EXPECT_FALSE(v > 105 && v < 200) << "limit " << limit;
        EXPECT_EQ(Cycles(r).size(), 4u);
    }
}

// The unit keeps to about 1500 of the 1920 bytes a second the line carries, start-up burst of
// reports included.
TEST(CycleSequence, LineLoadStaysUnder1500BytesPerSimulatedSecond) {
    for (const int rate : {50, 100, 300}) {
        SimConfig config;
        config.rate = rate;
        UnitSimulator sim(config);
        for (int second = 0; second < 20; ++second)
            EXPECT_LE(RunTicks(sim, rate).size(), 1500u) << "rate " << rate << " second " << second;
    }
}

// After its cycles the unit stays a live unit: idle samples 0..5 and Break Limit reports often
// enough for the watchdog (a valid frame every 300 ms) and the port scan (one report in 2 s).
TEST(CycleSequence, AfterTheLastCycleTheUnitStaysAlive) {
    SimConfig config;
    config.cycles = 1;
    UnitSimulator sim(config);
    RunToEnd(sim);
    int sinceFrame = 0, sinceBreakLimit = 0, worstFrame = 0, worstBreakLimit = 0;
    for (int tick = 0; tick < 1000; ++tick) {
        const Received r = Decode(RunTicks(sim, 1));
        ++sinceFrame;
        ++sinceBreakLimit;
        if (!r.values.empty()) sinceFrame = 0;
        for (uint16_t v : r.values) {
            EXPECT_TRUE(v <= 5 || v >= 256) << v;  // no more cycles
            const uint16_t code = v & 0x0FFF;
            if (v >= 256 && code >= 256 && code <= 356) sinceBreakLimit = 0;
        }
        worstFrame = std::max(worstFrame, sinceFrame);
        worstBreakLimit = std::max(worstBreakLimit, sinceBreakLimit);
    }
    EXPECT_LE(worstFrame, 20);  // ticks of 10 ms
    EXPECT_LE(worstBreakLimit, 50);
}

TEST(CycleSequence, BreakLimitReportsComeTwiceAWallClockSecondWhenSlowerThanRealTime) {
    SimConfig config;
    config.speed = 0.5;
    UnitSimulator sim(config);
    RunTicks(sim, 500);  // the start-up reports are out
    int breakLimitReports = 0;
    for (uint16_t v : Decode(RunTicks(sim, 100)).values)
        if (v >= 256 && (v & 0x0FFF) <= 356) ++breakLimitReports;
    // 100 ticks are 1 simulated second, 2 wall-clock seconds: at least four reports.
    EXPECT_GE(breakLimitReports, 4);
}

}  // namespace
}  // namespace kvdsim
