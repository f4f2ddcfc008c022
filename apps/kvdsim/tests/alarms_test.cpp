// The unit's own limits and the fault scenarios: which alarm codes it sends, and when.
#include <gtest/gtest.h>

#include "sim_driver.h"

namespace kvdsim {
namespace {

using namespace test;

std::vector<uint16_t> Play(SimConfig config, long cycles) {
    config.cycles = cycles;
    UnitSimulator sim(config);
    return Decode(RunToEnd(sim)).values;
}

bool HasAny(const std::vector<uint16_t>& values, std::initializer_list<uint16_t> codes) {
    for (uint16_t c : codes)
        if (Contains(values, c)) return true;
    return false;
}

// Po as the unit measured it: the mean of the samples between the two 201 of a cycle.
int PoOf(const std::vector<uint16_t>& cycle) {
    int marks = 0, sum = 0, count = 0;
    for (uint16_t v : cycle) {
        if (v == 201)
            ++marks;
        else if (marks == 1 && v <= 105)
            sum += v, ++count;
    }
    return count ? sum / count : 0;
}

TEST(Alarms, NormalCyclesWithDefaultLimitsRaiseNothing) {
    for (uint64_t seed = 1; seed <= 5; ++seed) {
        SimConfig config;
        config.seed = seed;
        const std::vector<uint16_t> v = Play(config, 4);
        EXPECT_FALSE(HasAny(v, {202, 203, 204, 206, 207, 208, 209, 210, 211})) << "seed " << seed;
    }
}

TEST(Alarms, BrokenToolGivesBreakInItsCycleOnly) {
    SimConfig config;
    config.scenarios = {{ScenarioKind::Break, 2}};
    config.parameters.cuts[0].breakDelay = 3;  // 0.3 s: 30 samples above the limit first
    config.cycles = 3;
    UnitSimulator sim(config);
    const std::vector<uint16_t> v = Decode(RunToEnd(sim)).values;
    EXPECT_FALSE(Contains(CycleValues(v, 1), 202));
    EXPECT_FALSE(Contains(CycleValues(v, 3), 202));
    const std::vector<uint16_t> broken = CycleValues(v, 2);
    const auto alarm = std::find(broken.begin(), broken.end(), 202);
    ASSERT_NE(alarm, broken.end());
    // Exactly the 30 samples before the alarm stand above Po + Break Limit.
    std::vector<uint16_t> before;
    std::copy_if(broken.begin(), alarm, std::back_inserter(before), [](uint16_t x) { return x <= 105; });
    const int limit = PoOf(broken) + 50;
    ASSERT_GE(before.size(), 31u);
    for (std::size_t i = before.size() - 30; i < before.size(); ++i) EXPECT_GT(before[i], limit);
    EXPECT_LE(before[before.size() - 31], limit);
    EXPECT_EQ(sim.AlarmBits(), kAlarmBreak);
}

TEST(Alarms, MissingToolIsCountedThenAlarmedThenCleared) {
    SimConfig config;
    config.parameters.cuts[0].missingCount = 2;
    config.scenarios = {{ScenarioKind::Missing, 2, 5, 2}};  // cycles 2 and 3 without load
    const std::vector<uint16_t> v = Play(config, 4);
    struct Expect {
        int cycle;
        bool detected, alarm, cleared;
    };
    const Expect table[] = {{1, false, false, false},
                            {2, true, false, false},   // first detection: counted only
                            {3, true, true, false},    // second: the alarm
                            {4, false, false, true}};  // the tool cuts again: counter cleared
    for (const Expect& e : table) {
        const std::vector<uint16_t> c = CycleValues(v, e.cycle);
        EXPECT_EQ(Contains(c, 208), e.detected) << "cycle " << e.cycle;
        EXPECT_EQ(Contains(c, 203), e.alarm) << "cycle " << e.cycle;
        EXPECT_EQ(Contains(c, 210), e.cleared) << "cycle " << e.cycle;
    }
}

TEST(Alarms, AcknowledgeIsAnsweredWithResetAndClearsTheAlarms) {
    SimConfig config;
    config.scenarios = {{ScenarioKind::Missing, 1}, {ScenarioKind::Error1, 1}};
    config.cycles = 1;
    UnitSimulator sim(config);
    RunToEnd(sim);
    EXPECT_EQ(sim.AlarmBits(), kAlarmMissing);
    EXPECT_EQ(sim.MissingCounter(0), 1);
    EXPECT_TRUE(sim.Error1());

    Send(sim, CodeFrame(205));
    EXPECT_EQ(sim.AlarmBits(), 0);
    EXPECT_EQ(sim.MissingCounter(0), 0);
    EXPECT_FALSE(sim.Error1());
    EXPECT_TRUE(Contains(Decode(RunTicks(sim, 1)).values, 205));
}

TEST(Alarms, BluntToolRisesCycleByCycleUntilTheBluntAlarm) {
    for (const uint16_t alarmMode : {uint16_t{0}, uint16_t{1}}) {
        SimConfig config;
        config.parameters.cuts[0].bluntAlarmMode = alarmMode;
        config.scenarios = {{ScenarioKind::Blunt, 1, 4}};
        const std::vector<uint16_t> v = Play(config, 6);
        EXPECT_FALSE(Contains(v, 202));  // blunt, not broken
        EXPECT_FALSE(HasAny(CycleValues(v, 1), {204, 207}));
        const std::vector<uint16_t> last = CycleValues(v, 6);
        const auto detected = std::find(last.begin(), last.end(), 207);
        ASSERT_NE(detected, last.end()) << "mode " << alarmMode;
        EXPECT_EQ(*(detected + 1), 204);  // Blunt Count 1: the first detection alarms
        // "End" reports at the cycle end, "Immediately" while the tool still cuts.
        const bool samplesFollow = std::any_of(detected, last.end(), [](uint16_t x) { return x <= 105; });
        EXPECT_EQ(samplesFollow, alarmMode == 1);
    }
}

TEST(Alarms, RelaysDisabledAtTheCycleStartAndAfterEveryAlarm) {
    SimConfig config;
    config.scenarios = {{ScenarioKind::Relays, 2}, {ScenarioKind::Break, 2}, {ScenarioKind::Break, 1}};
    const std::vector<uint16_t> v = Play(config, 2);
    const std::vector<uint16_t> first = CycleValues(v, 1), second = CycleValues(v, 2);
    EXPECT_FALSE(Contains(first, 211));
    ASSERT_GE(second.size(), 2u);
    EXPECT_EQ(second[1], 211);
    const auto alarm = std::find(second.begin(), second.end(), 202);
    ASSERT_NE(alarm, second.end());
    EXPECT_EQ(*(alarm + 1), 211);
}

TEST(Alarms, Error1ComesWhileTheToolCuts) {
    SimConfig config;
    config.scenarios = {{ScenarioKind::Error1, 2}};
    const std::vector<uint16_t> v = Play(config, 2);
    EXPECT_FALSE(Contains(CycleValues(v, 1), 206));
    const std::vector<uint16_t> c = CycleValues(v, 2);
    const auto po = std::find(std::find(c.begin(), c.end(), 201) + 1, c.end(), 201);
    const auto error = std::find(c.begin(), c.end(), 206);
    EXPECT_LT(po, error);
    EXPECT_LT(error, c.end() - 1);
}

TEST(Alarms, SilenceSendsNothingForItsTimeThenTheCycleGoesOn) {
    SimConfig config;
    config.speed = 2;  // 0.5 wall-clock seconds are 100 ticks at 100 samples and double speed
    config.scenarios = {{ScenarioKind::Silence, 1, 5, 0, 500}};
    config.cycles = 1;
    UnitSimulator sim(config);
    int ticks = 0;
    while (!sim.Silent() && ticks < 100000) RunTicks(sim, 1), ++ticks;
    ASSERT_TRUE(sim.Silent());
    Send(sim, CodeFrame(205));  // answered only when the line talks again
    int silentTicks = 0;
    while (true) {
        const std::vector<uint8_t> b = RunTicks(sim, 1);
        if (!b.empty()) {
            EXPECT_TRUE(Contains(Decode(b).values, 205));
            break;
        }
        ++silentTicks;
    }
    EXPECT_EQ(silentTicks, 100);
    RunToEnd(sim);
    EXPECT_EQ(sim.CyclesPlayed(), 1);
}

}  // namespace
}  // namespace kvdsim
