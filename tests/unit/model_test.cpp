#include <gtest/gtest.h>

#include "model/model.h"
#include "test_monitor.h"

namespace {

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override { ResetModel(TestModel(), TestStatistics()); }
};

TEST_F(ModelTest, StartValues) {
    EXPECT_EQ(TestModel().LastAnnouncedCut, 117);
    EXPECT_EQ(TestModel().curve.CycleSlot, -1);
    EXPECT_EQ(TestModel().curve.samplesPerPoint, 1);
    EXPECT_EQ(TestModel().connection.NotConnected, 1);
    EXPECT_EQ(TestModel().cycle.lastSample, 0);
    EXPECT_EQ(TestModel().activeCutParameters.breakLimit, 50);
    EXPECT_EQ(TestModel().cutParameters[3].breakLimit, 0);  // defaults are written by start-up
}

TEST_F(ModelTest, DefaultsOfEveryCutAndTheCommonWords) {
    TestModel().common.unitOptions = 7;
    WriteParameterDefaults(TestModel());
    // Word order: breakLimit .. cyclesPerScreen.
    const uint16_t expected[kCutWordCount] = {50, 30, 10, 1, 100, 50, 0, 0, 1, 1, 0, 20, 0, 1, 9, 100, 0, 1};
    for (int c = 0; c < kCutCount; ++c)
        for (int w = 0; w < kCutWordCount; ++w)
            EXPECT_EQ(CutWordValue(TestModel().cutParameters[c], w), expected[w]);
    EXPECT_EQ(TestModel().common.average, 4);
    EXPECT_EQ(TestModel().common.poSamples, 4);
    EXPECT_EQ(TestModel().common.unitId, 0);
    EXPECT_EQ(TestModel().common.debounce, 1);
    EXPECT_EQ(TestModel().common.rangeDecimals, 0);
    EXPECT_EQ(TestModel().common.rangeValue, 0);
    EXPECT_EQ(TestModel().common.unitOptions, 7);  // not touched
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
    AppendStatisticsEntry(TestStatistics(), 4, {39, 34});
    AppendStatisticsEntry(TestStatistics(), 4, {40, 1});
    EXPECT_EQ(TestStatistics().writeIndex[4], 2);
    EXPECT_EQ(TestStatistics().wrapMarker[4], 0);
    EXPECT_EQ(TestStatistics().entries[4][0].peak, 39);
    EXPECT_EQ(TestStatistics().entries[4][0].work, 34);
    EXPECT_EQ(TestStatistics().entries[4][1].peak, 40);
    EXPECT_EQ(HeldEntries(TestStatistics(), 4), 2);
    EXPECT_EQ(HeldEntries(TestStatistics(), 3), 0);
}

// Scenario: one cut runs through the wrap of its ring and on to the one cycle where
// writeIndex stands at 49,999 and the marker is 0.
TEST_F(ModelTest, WrapEdgesAt50000And99999Cycles) {
    const int cut = 9;
    for (int i = 0; i < 49999; ++i) AppendStatisticsEntry(TestStatistics(), cut, {1, 1});
    EXPECT_EQ(TestStatistics().writeIndex[cut], 49999);
    EXPECT_EQ(HeldEntries(TestStatistics(), cut), 49999);

    AppendStatisticsEntry(TestStatistics(), cut, {2, 2});  // the 50,000th cycle
    EXPECT_EQ(TestStatistics().writeIndex[cut], 0);
    EXPECT_EQ(TestStatistics().wrapMarker[cut], 1);
    EXPECT_EQ(HeldEntries(TestStatistics(), cut), 50000);

    AppendStatisticsEntry(TestStatistics(), cut, {3, 3});  // 50,001
    EXPECT_EQ(TestStatistics().writeIndex[cut], 1);
    EXPECT_EQ(TestStatistics().wrapMarker[cut], 2);
    EXPECT_EQ(TestStatistics().entries[cut][0].peak, 3);

    for (int i = 50001; i < 99999; ++i) AppendStatisticsEntry(TestStatistics(), cut, {4, 4});
    EXPECT_EQ(TestStatistics().writeIndex[cut], 49999);
    EXPECT_EQ(TestStatistics().wrapMarker[cut], 0);
    EXPECT_EQ(HeldEntries(TestStatistics(), cut), 49999);

    AppendStatisticsEntry(TestStatistics(), cut, {5, 5});  // 100,000
    EXPECT_EQ(TestStatistics().writeIndex[cut], 0);
    EXPECT_EQ(TestStatistics().wrapMarker[cut], 1);
    EXPECT_EQ(HeldEntries(TestStatistics(), cut), 50000);
}

TEST_F(ModelTest, ResetKeepsEntriesButShowsNoParts) {
    for (int i = 0; i < 3; ++i) AppendStatisticsEntry(TestStatistics(), 0, {7, 8});
    ResetCutStatistics(TestStatistics(), 0);
    EXPECT_EQ(HeldEntries(TestStatistics(), 0), 0);
    EXPECT_EQ(TestStatistics().entries[0][2].peak, 7);
}

TEST_F(ModelTest, DamagedIndexesNeverWriteOutsideTheRing) {
    TestStatistics().writeIndex[15] = 65535;
    TestStatistics().wrapMarker[15] = 60000;
    AppendStatisticsEntry(TestStatistics(), 15, {9, 9});
    EXPECT_EQ(TestStatistics().entries[15][0].peak, 9);
    EXPECT_EQ(TestStatistics().writeIndex[15], 1);
    EXPECT_LT(TestStatistics().wrapMarker[15], kStatisticsEntries);
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
