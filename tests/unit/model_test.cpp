#include <gtest/gtest.h>

#include "model/model.h"

namespace {

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override { ResetModel(); }
};

TEST_F(ModelTest, StartValues) {
    EXPECT_EQ(gModel.LastAnnouncedCut, 117);
    EXPECT_EQ(gModel.curve.CycleSlot, -1);
    EXPECT_EQ(gModel.curve.samplesPerPoint, 1);
    EXPECT_EQ(gModel.connection.NotConnected, 1);
    EXPECT_EQ(gModel.cycle.lastSample, 0);
    EXPECT_EQ(gModel.activeCutParameters.breakLimit, 50);
    EXPECT_EQ(gModel.cutParameters[3].breakLimit, 0);  // defaults are written by start-up
}

TEST_F(ModelTest, DefaultsOfEveryCutAndTheCommonWords) {
    gModel.common.unitOptions = 7;
    WriteParameterDefaults();
    // Word order: breakLimit .. cyclesPerScreen.
    const uint16_t expected[kCutWordCount] = {50, 30, 10, 1, 100, 50, 0, 0, 1, 1, 0, 20, 0, 1, 9, 100, 0, 1};
    for (int c = 0; c < kCutCount; ++c)
        for (int w = 0; w < kCutWordCount; ++w)
            EXPECT_EQ(CutWordValue(gModel.cutParameters[c], w), expected[w]);
    EXPECT_EQ(gModel.common.average, 4);
    EXPECT_EQ(gModel.common.poSamples, 4);
    EXPECT_EQ(gModel.common.unitId, 0);
    EXPECT_EQ(gModel.common.debounce, 1);
    EXPECT_EQ(gModel.common.rangeDecimals, 0);
    EXPECT_EQ(gModel.common.rangeValue, 0);
    EXPECT_EQ(gModel.common.unitOptions, 7);  // not touched
}

TEST_F(ModelTest, WordAccessFollowsTheRecordLayout) {
    CutParameters p{};
    CutWord(p, 14) = 3;
    CutWord(p, 17) = 8;
    EXPECT_EQ(p.workDivisor, 3);
    EXPECT_EQ(p.cyclesPerScreen, 8);
    CommonParameters c{};
    CommonWord(c, 6) = 15;
    EXPECT_EQ(c.unitOptions, 15);
}

TEST_F(ModelTest, AppendStoresAtWriteIndexAndCountsHeldEntries) {
    AppendStatisticsEntry(gStatistics, 4, {39, 34});
    AppendStatisticsEntry(gStatistics, 4, {40, 1});
    EXPECT_EQ(gStatistics.writeIndex[4], 2);
    EXPECT_EQ(gStatistics.wrapMarker[4], 0);
    EXPECT_EQ(gStatistics.entries[4][0].peak, 39);
    EXPECT_EQ(gStatistics.entries[4][0].work, 34);
    EXPECT_EQ(gStatistics.entries[4][1].peak, 40);
    EXPECT_EQ(HeldEntries(gStatistics, 4), 2);
    EXPECT_EQ(HeldEntries(gStatistics, 3), 0);
}

// Scenario: one cut runs through the wrap of its ring and on to the one cycle where
// writeIndex stands at 49,999 and the marker is 0.
TEST_F(ModelTest, WrapEdgesAt50000And99999Cycles) {
    const int cut = 9;
    for (int i = 0; i < 49999; ++i) AppendStatisticsEntry(gStatistics, cut, {1, 1});
    EXPECT_EQ(gStatistics.writeIndex[cut], 49999);
    EXPECT_EQ(HeldEntries(gStatistics, cut), 49999);

    AppendStatisticsEntry(gStatistics, cut, {2, 2});  // the 50,000th cycle
    EXPECT_EQ(gStatistics.writeIndex[cut], 0);
    EXPECT_EQ(gStatistics.wrapMarker[cut], 1);
    EXPECT_EQ(HeldEntries(gStatistics, cut), 50000);

    AppendStatisticsEntry(gStatistics, cut, {3, 3});  // 50,001
    EXPECT_EQ(gStatistics.writeIndex[cut], 1);
    EXPECT_EQ(gStatistics.wrapMarker[cut], 2);
    EXPECT_EQ(gStatistics.entries[cut][0].peak, 3);

    for (int i = 50001; i < 99999; ++i) AppendStatisticsEntry(gStatistics, cut, {4, 4});
    EXPECT_EQ(gStatistics.writeIndex[cut], 49999);
    EXPECT_EQ(gStatistics.wrapMarker[cut], 0);
    EXPECT_EQ(HeldEntries(gStatistics, cut), 49999);

    AppendStatisticsEntry(gStatistics, cut, {5, 5});  // 100,000
    EXPECT_EQ(gStatistics.writeIndex[cut], 0);
    EXPECT_EQ(gStatistics.wrapMarker[cut], 1);
    EXPECT_EQ(HeldEntries(gStatistics, cut), 50000);
}

TEST_F(ModelTest, ResetKeepsEntriesButShowsNoParts) {
    for (int i = 0; i < 3; ++i) AppendStatisticsEntry(gStatistics, 0, {7, 8});
    ResetCutStatistics(gStatistics, 0);
    EXPECT_EQ(HeldEntries(gStatistics, 0), 0);
    EXPECT_EQ(gStatistics.entries[0][2].peak, 7);
}

TEST_F(ModelTest, DamagedIndexesNeverWriteOutsideTheRing) {
    gStatistics.writeIndex[15] = 65535;
    gStatistics.wrapMarker[15] = 60000;
    AppendStatisticsEntry(gStatistics, 15, {9, 9});
    EXPECT_EQ(gStatistics.entries[15][0].peak, 9);
    EXPECT_EQ(gStatistics.writeIndex[15], 1);
    EXPECT_LT(gStatistics.wrapMarker[15], kStatisticsEntries);
}

TEST(WorkPercentTest, DivisorAndCap) {
    EXPECT_EQ(WorkPercent(68, 0), 34);
    EXPECT_EQ(WorkPercent(68, 9), 0);
    EXPECT_EQ(WorkPercent(4000000000u, 0), 100);  // far above 100
    EXPECT_EQ(WorkPercent(202, 0), 100);
    EXPECT_EQ(PowerOfTwo(0), 1u);
    EXPECT_EQ(PowerOfTwo(10), 1024u);
    EXPECT_EQ(PowerOfTwo(31), 2147483648u);
}

}  // namespace
