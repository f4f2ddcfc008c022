#include <gtest/gtest.h>

#include "view/layout.h"

namespace {

struct RegionRow {
    Region region;
    Rect small, large;
};

// The region table for both layouts.
const RegionRow kRegions[] = {
    {Region::kPanel, {1, 270, 640, 480}, {1, 300, 800, 600}},
    {Region::kCurve, {11, 1, 630, 274}, {51, 1, 710, 304}},
    {Region::kPowerBar, {5, 50, 10, 250}, {35, 70, 50, 270}},
    {Region::kPowerScale, {1, 50, 4, 250}, {1, 70, 34, 270}},
    {Region::kLed, {561, 1, 640, 44}, {721, 1, 800, 113}},
    {Region::kSignalLamp, {561, 30, 640, 44}, {721, 211, 800, 225}},
    {Region::kParamColumn1, {55, 275, 255, 450}, {55, 305, 305, 538}},
    {Region::kParamColumn2, {255, 275, 455, 450}, {305, 305, 555, 538}},
    {Region::kParamColumn3, {455, 275, 640, 450}, {555, 305, 800, 538}},
};

TEST(ScreenLayoutTest, RegionRectanglesOfBothLayouts) {
    for (const RegionRow& row : kRegions) {
        SCOPED_TRACE(RegionName(row.region));
        EXPECT_EQ(RegionRect(row.region, 0), row.small);
        EXPECT_EQ(RegionRect(row.region, 1), row.large);
    }
}

TEST(ScreenLayoutTest, RowsAreEvenlySpaced) {
    for (int e = kRow1Y; e < kRow11Y; ++e) {
        EXPECT_EQ(LayoutValue(LayoutEntry(e + 1), 0) - LayoutValue(LayoutEntry(e), 0), 13);
        EXPECT_EQ(LayoutValue(LayoutEntry(e + 1), 1) - LayoutValue(LayoutEntry(e), 1), 16);
    }
}

TEST(ScreenLayoutTest, LampsOutsideLedRectOnlyInTheSmallLayout) {
    const Rect led0 = RegionRect(Region::kLed, 0), curve0 = RegionRect(Region::kCurve, 0);
    EXPECT_LT(LayoutValue(kBreakLampX, 0), led0.left);
    EXPECT_GE(LayoutValue(kBreakLampX, 0), curve0.left);
    EXPECT_GE(LayoutValue(kBreakLampX, 1), RegionRect(Region::kLed, 1).left);
}

TEST(ScreenLayoutTest, ChoiceByScreenSize) {
    struct Case {
        int w, h, index, x, y;
        bool tooSmall;
    };
    const Case cases[] = {
        {800, 600, 1, 0, 0, false}, {1024, 768, 1, 112, 84, false}, {1025, 769, 1, 112, 84, false},
        {799, 600, 0, 0, 0, false}, {800, 599, 0, 0, 0, false},     {640, 480, 0, 0, 0, false},
        {639, 480, 0, 0, 0, true},  {640, 479, 0, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        const LayoutChoice got = ChooseLayout(c.w, c.h);
        EXPECT_EQ(got.layoutIndex, c.index);
        EXPECT_EQ(got.x, c.x);
        EXPECT_EQ(got.y, c.y);
        EXPECT_EQ(got.tooSmall, c.tooSmall);
    }
}

}  // namespace
