// The wear forecast on built histories, against numbers worked out by hand; the cycle-by-cycle
// path against a start from the stored statistics.
#include <gtest/gtest.h>

#include <vector>

#include "model/model.h"
#include "trend/cut_trend.h"
#include "test_monitor.h"

namespace {

TrendBook book;  // 58 KB: static storage, as in the program

class ForecastTest : public ::testing::Test {
protected:
    void SetUp() override { ResetModel(TestModel(), TestStatistics()); }
    static void Append(int cut, int peak, int work) {
        AppendStatisticsEntry(TestStatistics(), cut,
                              {static_cast<uint8_t>(peak), static_cast<uint8_t>(work)});
    }
    static CutForecast Forecast(int cut, int blunt, int mode = 0) {
        CutParameters p = DefaultCutParameters();
        p.bluntLimit = static_cast<uint16_t>(blunt);
        p.breakLimit = 60;
        p.bluntMode = static_cast<uint16_t>(mode);
        return ForecastOf(book, cut, p);
    }
};

TEST_F(ForecastTest, HandComputedForecastsOfBuiltHistories) {
    struct Case {
        const char* name;
        std::vector<int> peaks;
        int blunt;
        LimitForecast::Kind kind;
        double cycles, low, high;
        long risingSince;
    };
    // 30 and 31 in turn, ending on 31: slope 2.5 / 82.5 = 1/33, standard error 2/33, the line at
    // 30.5 + 4.5/33; to 40: 309 cycles, 309 / 5 at slope + 2 errors, never at slope - 2 errors.
    std::vector<int> steady;
    for (int j = 0; j < 10; ++j) steady.push_back(30 + j % 2);
    const Case cases[] = {
        {"steady, noisy", steady, 40, LimitForecast::kReached, 309, 61.8, -1, -1},
        {"steady, flat", std::vector<int>(12, 30), 40, LimitForecast::kNotRising, 0, 0, 0, -1},
        // 20 .. 29 exactly: slope 1 without error, at 29 now, 11 cycles to 40 whatever the range.
        {"rising", {20, 21, 22, 23, 24, 25, 26, 27, 28, 29}, 40, LimitForecast::kReached, 11, 11, 11, 0},
        {"above already",
         {20, 21, 22, 23, 24, 25, 26, 27, 28, 29},
         25,
         LimitForecast::kAlreadyAbove,
         0,
         0,
         0,
         0},
        {"Blunt Off", {20, 21, 22, 23, 24, 25, 26, 27, 28, 29}, 4, LimitForecast::kNoLimit, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetModel(TestModel(), TestStatistics());
        for (int p : c.peaks) Append(0, p, 0);
        StartTrends(book, TestStatistics(), 10);
        const CutForecast f = Forecast(0, c.blunt);
        ASSERT_TRUE(f.enough);
        EXPECT_EQ(f.firstCycle, static_cast<int64_t>(c.peaks.size()) - 10);
        EXPECT_EQ(f.blunt.kind, c.kind);
        EXPECT_NEAR(f.blunt.cycles, c.cycles, 1e-9);
        EXPECT_NEAR(f.blunt.low, c.low, 1e-9);
        EXPECT_NEAR(f.blunt.high, c.high, 1e-9);
        EXPECT_EQ(f.risingSince, c.risingSince);
    }
}

TEST_F(ForecastTest, RisingToolCycleByCycleAgreesWithAStartAndItsRangeHoldsTheCrossing) {
    // 20 + j/2 with a repeating -1, 0, +1: the stored values first cross the Blunt limit 60 at
    // cycle 80. The default window of 50 cycles.
    StartTrends(book, TestStatistics(), kForecastWindowDefault);
    static TrendBook fresh;
    for (int j = 0; j < 120; ++j) {
        SCOPED_TRACE(j);
        Append(4, 20 + j / 2 + (j % 3 - 1), 10);
        FollowStatistics(book, TestStatistics(), 4);
        StartTrends(fresh, TestStatistics(), kForecastWindowDefault);
        const CutForecast f = Forecast(4, 60), g = ForecastOf(fresh, 4, DefaultCutParameters());
        ASSERT_EQ(f.enough, j + 1 >= 50);  // too few cycles below the window
        ASSERT_EQ(f.count, std::min(j + 1, 50));
        EXPECT_EQ(f.risingSince, g.risingSince);
        EXPECT_NEAR(f.shown.slope, g.shown.slope, 1e-9);
        EXPECT_NEAR(f.shown.level, g.shown.level, 1e-9);
        if (j == 49) {
            // At cycle 49 the crossing lies 31 cycles ahead.
            ASSERT_EQ(f.blunt.kind, LimitForecast::kReached);
            EXPECT_LE(f.blunt.low, 31);
            EXPECT_GE(f.blunt.high, 31);
        }
    }
}

TEST_F(ForecastTest, WorkModeThenAResetCut) {
    // Step 1: peaks steady at 30, work 0 .. 59; Blunt Mode Work, Blunt limit 70: the work line
    // is at 59 rising by 1, 11 cycles to go; Break (on the peaks) is not in sight.
    for (int j = 0; j < 60; ++j) Append(3, 30, j);
    StartTrends(book, TestStatistics(), 10);
    CutForecast f = Forecast(3, 70, 1);
    EXPECT_TRUE(f.workMode);
    EXPECT_EQ(f.values[0], 50);
    EXPECT_NEAR(f.blunt.cycles, 11, 1e-9);
    EXPECT_EQ(f.brk.kind, LimitForecast::kNotRising);
    EXPECT_EQ(f.risingSince, 0);
    // Step 2: the cut is reset; the forecast starts again with the cycles after it.
    ResetCutStatistics(TestStatistics(), 3);
    FollowStatistics(book, TestStatistics(), 3);
    EXPECT_EQ(Forecast(3, 70, 1).count, 0);
    for (int j = 0; j < 3; ++j) Append(3, 40, 7 + j);
    FollowStatistics(book, TestStatistics(), 3);
    f = Forecast(3, 70, 1);
    EXPECT_FALSE(f.enough);
    EXPECT_EQ(f.firstCycle, 0);
    EXPECT_EQ(std::vector<int>(f.values, f.values + f.count), (std::vector<int>{7, 8, 9}));
}

TEST_F(ForecastTest, WrappedRingIsFollowedAcrossItsEnd) {
    // A full ring two entries before its end (every entry 30); then 22 cycles 20, 21, ... 41.
    for (StatisticsEntry& e : TestStatistics().entries[0]) e = {30, 0};
    TestStatistics().writeIndex[0] = 49998;
    TestStatistics().wrapMarker[0] = 49999;
    StartTrends(book, TestStatistics(), 10);
    for (int k = 0; k < 22; ++k) {
        Append(0, 20 + k, 0);
        FollowStatistics(book, TestStatistics(), 0);  // passes the held count of 49999 at k = 0
    }
    const CutForecast f = Forecast(0, 60);
    EXPECT_EQ(f.firstCycle, 50000 + 22 - 10);  // followed, never started again
    EXPECT_EQ(f.values[0], 32);
    // A start reads the same window across the ring's end.
    StartTrends(book, TestStatistics(), 10);
    const CutForecast g = Forecast(0, 60);
    EXPECT_EQ(g.firstCycle, 50000 - 10);
    EXPECT_EQ(std::vector<uint8_t>(g.values, g.values + 10), std::vector<uint8_t>(f.values, f.values + 10));
}

}  // namespace
