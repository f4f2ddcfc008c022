#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "link/command_queue.h"
#include "model/model.h"
#include "services_reset.h"
#include "link/transmit_ring.h"
#include "model/change_bits.h"
#include "shell/timer_tick.h"

namespace {

std::vector<std::pair<Region, bool>>* gCalls = nullptr;

class TimerTickTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetModel(TestModel(), TestStatistics());
        ResetTimerTick(TestMonitor());
        ResetCommandQueue(TestLink());
        TestLink().ring = {};
        TestLink().transmitPortOpen = true;  // the pump hands words only to an open port
        gCalls = &calls;
        ResetServices();
        TestLink().windowService.invalidate = [](void*, Region r, bool erase) {
            gCalls->push_back({r, erase});
        };
        TestModel().connection.NotConnected = 0;  // the watchdog stays quiet for the first ticks
    }
    void TearDown() override {
        ResetServices();
        TestLink().transmitPortOpen = false;
    }
    std::vector<std::pair<Region, bool>> calls;
};

TEST_F(TimerTickTest, PowerBarWhenTheSampleChangedCurveOnlyWhenMarked) {
    TestModel().cycle.lastSample = 40;
    TimerTick(TestMonitor());
    TimerTick(TestMonitor());  // nothing changed: nothing repainted
    MarkChanged(TestModel().changes, kChangeCurvePoints | kChangeCurveRestart);
    TimerTick(TestMonitor());  // one invalidation of the curve, erased
    const std::vector<std::pair<Region, bool>> expected = {{Region::kPowerBar, false},
                                                           {Region::kCurve, true}};
    EXPECT_EQ(calls, expected);
}

TEST_F(TimerTickTest, NothingOfTheCurveWhileCompressing) {
    TestModel().cycle.lastSample = 40;
    TestModel().curve.compressing = 1;
    MarkChanged(TestModel().changes, kChangeCurveRestart | kChangeAlarmLamps);
    TimerTick(TestMonitor());  // the lamps go on, the curve waits
    EXPECT_EQ(calls, (std::vector<std::pair<Region, bool>>{{Region::kLed, false}}));
    TestModel().curve.compressing = 0;
    calls.clear();
    TimerTick(TestMonitor());  // the changed sample and the kept curve change are noticed afterwards
    EXPECT_EQ(calls,
              (std::vector<std::pair<Region, bool>>{{Region::kPowerBar, false}, {Region::kCurve, true}}));
}

TEST_F(TimerTickTest, RelaysWarningErasedOnTheTickThatReachesZero) {
    TestModel().alarms.RelaysDisabledTicks = 5;
    for (int t = 0; t < 4; ++t) TimerTick(TestMonitor());
    EXPECT_EQ(TestModel().alarms.RelaysDisabledTicks, 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), std::pair<Region, bool>{Region::kParamColumn3, true}),
              0);
    TimerTick(TestMonitor());
    EXPECT_EQ(TestModel().alarms.RelaysDisabledTicks, 0);
    EXPECT_EQ(calls.back(), (std::pair<Region, bool>{Region::kParamColumn3, true}));
    calls.clear();
    TimerTick(TestMonitor());  // stays at 0, no further erase
    EXPECT_EQ(std::count(calls.begin(), calls.end(), std::pair<Region, bool>{Region::kParamColumn3, true}),
              0);
}

TEST_F(TimerTickTest, PumpSendsOneWordPerTickAfterTheWatchdog) {
    ASSERT_TRUE(QueueParameter(TestLink(), 5, 0, 60));
    ASSERT_TRUE(QueueParameter(TestLink(), 5, 2, 40));
    TimerTick(TestMonitor());
    EXPECT_EQ(PendingTransmitBytes(TestLink().ring), 6);
    TimerTick(TestMonitor());
    EXPECT_EQ(PendingTransmitBytes(TestLink().ring), 12);
    TimerTick(TestMonitor());
    EXPECT_EQ(PendingTransmitBytes(TestLink().ring), 12);
    // The watchdog ran on every tick before the pump.
    EXPECT_EQ(TestModel().connection.SilenceTicks, 3);
}

}  // namespace
