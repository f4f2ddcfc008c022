// The board's model on a clock of the test's own: what a tile shows of a machine as its cycles
// and states arrive, what an event stream is sent, and the bounds.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "board_model.h"

namespace kvdboard {
namespace {

constexpr int64_t kT0 = 1796796000000LL;  // 2026-12-09T06:00:00Z, 07:00 local at +60
constexpr int64_t kMinute = 60000;

struct Clocked {
    std::atomic<int64_t> now{kT0};
    BoardModel model{BoardOptions{120000, 100, {6, 14, 22}, [this] { return now.load(); }}};
};

JournalRecord Cycle(int64_t ms, int cut, int peak, uint8_t alarms = 0) {
    JournalRecord r{};
    r.time = {ms, 60};
    r.cut = cut;
    r.peak = static_cast<uint8_t>(peak);
    r.work = static_cast<uint8_t>(peak / 2);
    r.alarms = alarms;
    r.breakLimit = 80;
    r.bluntLimit = 60;
    return r;
}

BoardState Online(int cut, uint8_t lamps = 0, bool connected = true) { return {true, connected, cut, lamps}; }

MachineView ViewOf(const BoardModel& m, const char* name) {
    MachineView v;
    EXPECT_TRUE(m.Find(name, v)) << name;
    return v;
}

TEST(BoardModel, ATileFollowsItsMachine) {
    Clocked c;
    BoardModel& m = c.model;
    // 1. Cycles before any state: the machine shows as running on its cycles alone.
    for (int i = 0; i < 150; ++i)
        ASSERT_TRUE(m.OnCycle("M1", Cycle(kT0 - (149 - i) * kMinute, 2, 30), i + 1));
    MachineView v = ViewOf(m, "M1");
    EXPECT_EQ(v.status, MachineStatus::kRunning);
    EXPECT_EQ(v.cut, 2);
    EXPECT_EQ(v.cycles.size(), kChartCycles);
    EXPECT_EQ(v.sequence, 150u);
    EXPECT_NEAR(v.cyclesPerHour, 60, 0.01);  // one a minute
    EXPECT_EQ(v.breakForecast.kind, kvdstat::Forecast::kNotRising);

    // 2. Another cut runs: the tile shows that cut's cycles only, and cut 2's are kept.
    m.OnState("M1", Online(5));
    m.OnCycle("M1", Cycle(kT0, 5, 44), 151);
    v = ViewOf(m, "M1");
    ASSERT_EQ(v.cycles.size(), 1u);
    EXPECT_EQ(v.cycles[0].peak, 44);
    m.OnState("M1", Online(2));
    EXPECT_EQ(ViewOf(m, "M1").cycles.size(), kChartCycles);

    // 3. Peaks rising by 0.2 a cycle to 69: about 55 cycles left to the Break limit of 80, fewer
    //    than the warning level of 100.
    for (int i = 0; i < 200; ++i) m.OnCycle("M1", Cycle(kT0 + i * 1000, 2, 30 + i / 5), 152 + i);
    v = ViewOf(m, "M1");
    EXPECT_EQ(v.status, MachineStatus::kWearing);
    ASSERT_EQ(v.breakForecast.kind, kvdstat::Forecast::kReached);
    EXPECT_NEAR(v.breakForecast.cycles, 55, 3);
    EXPECT_EQ(v.cycles.back().peak, 69);

    // 4. The lamps outrank the forecast; no lamp and no unit: idle; the will: offline.
    m.OnState("M1", Online(2, kJournalBlunt));
    EXPECT_EQ(ViewOf(m, "M1").status, MachineStatus::kAlarm);
    m.OnState("M2", Online(0, 0, false));
    EXPECT_EQ(ViewOf(m, "M2").status, MachineStatus::kIdle);
    m.OnState("M1", BoardState{});
    EXPECT_EQ(ViewOf(m, "M1").status, MachineStatus::kOffline);

    // 5. A running machine that ends no cycle for the idle time is idle.
    m.OnState("M3", Online(0));
    m.OnCycle("M3", Cycle(kT0, 0, 30), 1);
    EXPECT_EQ(ViewOf(m, "M3").status, MachineStatus::kRunning);
    c.now += 120000;
    EXPECT_EQ(ViewOf(m, "M3").status, MachineStatus::kIdle);
}

TEST(BoardModel, AlarmsCountPerShift) {
    struct Row {
        int64_t localMs;  // since 2026-12-09T00:00 local
        int64_t shiftLocalMs;
    } rows[] = {
        {5 * 60 * kMinute + 59 * kMinute, -2 * 60 * kMinute},  // 05:59: the previous day's 22:00
        {6 * 60 * kMinute, 6 * 60 * kMinute},
        {13 * 60 * kMinute + 59 * kMinute, 6 * 60 * kMinute},
        {23 * 60 * kMinute, 22 * 60 * kMinute},
    };
    const int64_t midnight = kT0 - 7 * 60 * kMinute;  // local midnight as UTC
    for (const Row& r : rows)
        EXPECT_EQ(ShiftStart(midnight + r.localMs, 60, {6, 14, 22}), midnight + r.shiftLocalMs) << r.localMs;

    Clocked c;
    c.model.OnState("M1", Online(0));
    c.model.OnCycle("M1", Cycle(kT0 - 2 * kMinute, 0, 90, kJournalBreak), 1);  // 06:58 local
    c.model.OnCycle("M1", Cycle(kT0 - kMinute, 0, 50, kJournalBlunt | kJournalMissing), 2);
    EXPECT_EQ(ViewOf(c.model, "M1").shiftAlarms, (std::array<uint32_t, 3>{1, 1, 1}));
    // The next shift starts at 14:00 local, and its count from nothing.
    c.now = kT0 + 7 * 60 * kMinute;
    EXPECT_EQ(ViewOf(c.model, "M1").shiftAlarms, (std::array<uint32_t, 3>{0, 0, 0}));
    c.model.OnCycle("M1", Cycle(c.now, 0, 90, kJournalBreak), 3);
    EXPECT_EQ(ViewOf(c.model, "M1").shiftAlarms, (std::array<uint32_t, 3>{1, 0, 0}));
}

TEST(BoardModel, AStreamIsSentWhatChanged) {
    Clocked c;
    BoardModel& m = c.model;
    m.OnState("B", Online(0));
    m.OnState("A", Online(0));
    m.OnCycle("A", Cycle(kT0, 0, 30), 1);
    EventCursor cursor;
    EXPECT_EQ(m.Changes(cursor).size(), 2u);  // everything at first
    EXPECT_TRUE(m.Changes(cursor).empty());
    m.OnCycle("B", Cycle(kT0, 0, 30), 1);
    auto changed = m.Changes(cursor);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].name, "B");
    // No message, but A's status moves on with the clock: running to idle.
    c.now += 120000;
    changed = m.Changes(cursor);
    ASSERT_EQ(changed.size(), 2u);
    EXPECT_EQ(changed[0].status, MachineStatus::kIdle);
    // The snapshot is sorted by name.
    const auto all = m.Snapshot();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].name, "A");
}

TEST(BoardModel, RefusesWhatItCannotHold) {
    BoardModel m;
    for (const char* bad : {"", ".hidden", "a/b", "../x", "a b", "m\n"})
        EXPECT_FALSE(m.OnState(bad, Online(0))) << bad;
    EXPECT_FALSE(m.OnState(std::string(kMaxNameLength + 1, 'x'), Online(0)));
    EXPECT_FALSE(m.OnCycle("M1", Cycle(kT0, kCutCount, 30), 1));
    EXPECT_FALSE(m.OnState("M1", Online(kCutCount)));
    // Names with only a state fill their own share, never the board: machines with cycles still
    // come in up to the whole bound, and a full board counts whom it turned away.
    for (std::size_t i = 0; i < kMaxStateOnlyMachines; ++i)
        ASSERT_TRUE(m.OnState("S" + std::to_string(i), Online(0)));
    EXPECT_FALSE(m.OnState("one-state-too-many", Online(0)));
    for (std::size_t i = kMaxStateOnlyMachines; i < kMaxMachines; ++i)
        ASSERT_TRUE(m.OnCycle("M" + std::to_string(i), Cycle(kT0, 0, 30), 1)) << i;
    EXPECT_FALSE(m.OnCycle("one-too-many", Cycle(kT0, 0, 30), 1));
    EXPECT_TRUE(m.OnState("S0", Online(1)));  // a known machine still updates
    EXPECT_EQ(m.Snapshot().size(), kMaxMachines);
    EXPECT_EQ(m.Refused(), 2u);
}

// The broker thread writes while streams and snapshots read (run under TSan too).
TEST(BoardModel, ReadersAndTheWriterShareIt) {
    BoardModel m;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 3000; ++i)
            m.OnCycle("M" + std::to_string(i % 3), Cycle(kT0 + i, i % 16, i % 100), i);
        done = true;
    });
    std::size_t seen = 0;
    std::thread stream([&] {
        EventCursor cursor;
        do {
            m.WaitForChange(cursor, std::chrono::milliseconds(50));
            seen += m.Changes(cursor).size();
        } while (!done);
    });
    while (!done) m.Snapshot();
    writer.join();
    stream.join();
    uint64_t cycles = 0;
    for (const MachineView& v : m.Snapshot()) cycles += v.cyclesSeen;
    EXPECT_EQ(cycles, 3000u);
    EXPECT_GT(seen, 0u);
}

}  // namespace
}  // namespace kvdboard
