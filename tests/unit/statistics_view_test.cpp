#include <gtest/gtest.h>

#include <cstring>

#include "tests/unit/view_fixture.h"
#include "view/palette.h"
#include "view/statistics_view.h"

namespace {

// 800x600 layout: CurveLeft 100, StatsBaseline 540, 2 pixels per percent.
constexpr int kLeft = 100, kBase = 540;

class StatisticsViewTest : public ViewTest {
protected:
    void Append(int count, uint8_t peak = 50, uint8_t work = 20) {
        for (int i = 0; i < count; ++i)
            AppendStatisticsEntry(TestStatistics(), TestModel().ActiveCut, {peak, work});
    }
    // Each target draws with its own cursor, as the screen and a printed page do.
    StatisticsCursor screen, printer;
    void Draw(StatisticsKind kind, Target target = Target::kScreen) {
        canvas.Clear();
        DrawStatisticsFrame(canvas, TestModel(), TestStatistics(), kind, target,
                            TestConfig().statisticsFileName);
        DrawStatisticsBars(canvas, TestModel(), TestStatistics(), kind,
                           target == Target::kScreen ? screen : printer);
    }
    // Bars of one pixel: upward lines from the baseline.
    std::vector<DrawOp> OnePixelBars() const {
        std::vector<DrawOp> found;
        for (const DrawOp& op : canvas.Of(OpKind::kLine))
            if (op.y1 == kBase && op.x1 == op.x2 && op.x1 >= kLeft && op.y2 < kBase) found.push_back(op);
        return found;
    }
};

TEST_F(StatisticsViewTest, NoHeldEntriesShowAxesTitlePartsFileAndLimitsOnly) {
    TestModel().ActiveCut = 2;
    TestModel().cutParameters[2].breakLimit = 50;
    TestModel().cutParameters[2].bluntLimit = 30;
    Draw(kPowerStatistics);
    EXPECT_TRUE(canvas.Of(OpKind::kRectangle).empty());
    EXPECT_TRUE(OnePixelBars().empty());
    const DrawOp* title = canvas.FindText(" Power Statistics, Cut# 3 ");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->x1, 400);
    EXPECT_EQ(title->y1, 305 + 8);
    EXPECT_EQ(title->font, CanvasFont::kSurface);
    const DrawOp* parts = canvas.FindText("Parts: 0");
    ASSERT_NE(parts, nullptr);
    EXPECT_EQ(parts->coords()[0], 555);
    EXPECT_EQ(parts->coords()[1], 326);
    const DrawOp* file = canvas.FindText("File: Default.$$$");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->x1, kLeft + 15);
    EXPECT_EQ(file->y1, 330 - 4);
    // Limits at their own value: Break 50 -> 440, Blunt 30 -> 480, across 600 pixels.
    ASSERT_EQ(canvas.LinesIn(kPaletteRed).size(), 1u);
    EXPECT_EQ(canvas.LinesIn(kPaletteRed)[0].coords(), (DrawOp::Coords{kLeft, 440, kLeft + 600, 440}));
    ASSERT_EQ(canvas.LinesIn(kPaletteMagenta).size(), 1u);
    EXPECT_EQ(canvas.LinesIn(kPaletteMagenta)[0].y1, 480);
    // Axes and the panel line in black.
    for (auto c : {DrawOp::Coords{99, 330, 99, 546}, DrawOp::Coords{94, 540, 710, 540},
                   DrawOp::Coords{710, 540, 705, 545}, DrawOp::Coords{10, 305, 790, 305}}) {
        const DrawOp* line = canvas.FindLine(c[0], c[1], c[2], c[3]);
        ASSERT_NE(line, nullptr) << c[0] << "," << c[1];
        EXPECT_EQ(line->pen, kPaletteBlack);
    }
    EXPECT_FALSE(StatisticsRescaled(TestModel(), TestStatistics(), screen));
}

TEST_F(StatisticsViewTest, BarScaleStepsAndTheRepaintOnChange) {
    // Step 1: 75 entries, 8-pixel bars alternating yellow (even positions) and blue (odd).
    Append(75);
    Draw(kPowerStatistics);
    std::vector<DrawOp> bars = canvas.Of(OpKind::kRectangle);
    ASSERT_EQ(bars.size(), 75u);
    for (int i = 0; i < 75; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(bars[i].coords(), (DrawOp::Coords{kLeft + 8 * i, kBase, kLeft + 8 * i + 8, kBase - 100}));
        EXPECT_EQ(bars[i].brush, i % 2 == 0 ? kPaletteYellow : kPaletteBlue);
        EXPECT_EQ(bars[i].pen, bars[i].brush);
    }
    EXPECT_FALSE(StatisticsRescaled(TestModel(), TestStatistics(), screen));  // still the start scale

    // Step 2: the 76th entry calls for a clean panel. A page printed meanwhile draws in the new
    // scale with its own cursor and leaves the screen's call standing; the screen then gives
    // 4-pixel blue bars.
    Append(1);
    EXPECT_TRUE(StatisticsRescaled(TestModel(), TestStatistics(), screen));
    Draw(kPowerStatistics, Target::kPrinter);
    EXPECT_FALSE(StatisticsRescaled(TestModel(), TestStatistics(), printer));
    EXPECT_TRUE(StatisticsRescaled(TestModel(), TestStatistics(), screen));
    Draw(kPowerStatistics);
    bars = canvas.Of(OpKind::kRectangle);
    ASSERT_EQ(bars.size(), 76u);
    for (const DrawOp& bar : bars) {
        EXPECT_EQ(bar.x2 - bar.x1, 4);
        EXPECT_EQ(bar.brush, kPaletteBlue);
    }
    // Step 3: once drawn in the new scale, nothing more is asked for.
    EXPECT_FALSE(StatisticsRescaled(TestModel(), TestStatistics(), screen));
}

TEST_F(StatisticsViewTest, ScaleTable) {
    struct Case {
        int held, width, perBar;
    };
    const Case cases[] = {{0, 8, 1},   {75, 8, 1},  {76, 4, 1},  {150, 4, 1}, {151, 2, 1},
                          {300, 2, 1}, {301, 1, 1}, {599, 1, 1}, {600, 1, 2}, {50000, 1, 84}};
    for (const Case& c : cases) EXPECT_EQ(BarScaleFor(c.held), (BarScale{c.width, c.perBar})) << c.held;
}

TEST_F(StatisticsViewTest, OnePixelBarsShowOneOrTwoEntriesAndTheLargest) {
    // 599 entries: one entry per bar, a line per entry.
    Append(599);
    Draw(kPowerStatistics);
    EXPECT_EQ(OnePixelBars().size(), 599u);

    // 600 entries: two per bar, 300 bars; a bar shows the larger of its pair.
    Append(1);
    TestStatistics().entries[0][10] = {30, 5};
    TestStatistics().entries[0][11] = {90, 70};
    Draw(kPowerStatistics);
    std::vector<DrawOp> bars = OnePixelBars();
    ASSERT_EQ(bars.size(), 300u);
    EXPECT_EQ(bars[5].coords(), (DrawOp::Coords{kLeft + 5, kBase, kLeft + 5, kBase - 180}));
    EXPECT_EQ(bars[4].y2, kBase - 100);
    Draw(kWorkStatistics);
    EXPECT_EQ(OnePixelBars()[5].y2, kBase - 140);
    EXPECT_EQ(OnePixelBars()[4].y2, kBase - 40);
}

TEST_F(StatisticsViewTest, WrappedRingPlacesBarsByRingIndex) {
    // After the 50000th cycle and 1000 more: the ring is full and the write position is 1000.
    for (int i = 0; i < kStatisticsEntries; ++i) TestStatistics().entries[0][i] = {10, 10};
    TestStatistics().entries[0][999] = {105, 10};  // the newest cycle
    TestStatistics().writeIndex[0] = 1000;
    TestStatistics().wrapMarker[0] = 1001;
    Draw(kPowerStatistics);
    EXPECT_TRUE(canvas.HasText("Parts: 50000"));
    const std::vector<DrawOp> bars = OnePixelBars();
    // 596 groups of 84; the one that runs across the end of the ring is left out.
    EXPECT_EQ(bars.size(), 595u);
    // The newest group is drawn last, at CurveLeft + writeIndex / 84, where it meets the oldest.
    EXPECT_EQ(bars.back().x1, kLeft + 1000 / 84);
    EXPECT_EQ(bars.back().y2, kBase - 210);
    EXPECT_EQ(bars.front().x1, kLeft + 1001 / 84);
    EXPECT_EQ(bars.front().y2, kBase - 20);
}

TEST_F(StatisticsViewTest, LimitLinesOfEachKind) {
    struct Case {
        StatisticsKind kind;
        uint16_t bluntMode;
        size_t red, magenta;
    };
    const Case cases[] = {
        {kPowerStatistics, 0, 1, 1},
        {kPowerStatistics, 1, 1, 0},
        {kWorkStatistics, 0, 0, 0},  // the work chart has no limit in Power mode
        {kWorkStatistics, 1, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " bluntMode " << c.bluntMode);
        TestModel().cutParameters[0].bluntMode = c.bluntMode;
        TestModel().activeCutParameters.bluntMode = 1 - c.bluntMode;  // the mirror does not decide
        Draw(c.kind);
        EXPECT_EQ(canvas.LinesIn(kPaletteRed).size(), c.red);
        EXPECT_EQ(canvas.LinesIn(kPaletteMagenta).size(), c.magenta);
    }
    EXPECT_TRUE(canvas.HasText(" Work Statistics, Cut# 1 "));
}

TEST_F(StatisticsViewTest, BarsAreNotClippedAndHalfAsTallInTheSmallLayout) {
    Append(1, 105, 0);
    Draw(kPowerStatistics);
    ASSERT_EQ(canvas.Of(OpKind::kRectangle).size(), 1u);
    EXPECT_EQ(canvas.Of(OpKind::kRectangle)[0].y2, kBase - 210);  // 10 above the 100 % tick
    EXPECT_TRUE(canvas.HasLine(kLeft - 5, kBase - 200, kLeft - 1, kBase - 200));
    EXPECT_EQ(canvas.FindText("100")->y1, kBase - 200 + 7);

    canvas.UseLayout(Layout{kSmallLayout});  // StatsBaseline 415, CurveLeft 20, one pixel per percent
    Draw(kPowerStatistics);
    EXPECT_EQ(canvas.Of(OpKind::kRectangle)[0].coords(), (DrawOp::Coords{20, 415, 28, 415 - 105}));
    EXPECT_TRUE(canvas.HasLine(15, 315, 19, 315));
    EXPECT_FALSE(canvas.HasText("100"));
    const DrawOp* top = canvas.FindText("99");
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->y1, 315 + 7);
    EXPECT_EQ(canvas.FindText("75")->y1, 415 - 75 + 7);
}

TEST_F(StatisticsViewTest, PrinterHasNoPanelLineAndWhiteTextBackgrounds) {
    canvas.background = Rgb(9, 9, 9);
    canvas.align = kAlignRight;
    DrawStatisticsFrame(canvas, TestModel(), TestStatistics(), kPowerStatistics, Target::kPrinter,
                        TestConfig().statisticsFileName);
    EXPECT_FALSE(canvas.HasLine(10, 305, 790, 305));
    for (const DrawOp& t : canvas.Of(OpKind::kText)) EXPECT_EQ(t.background, Rgb(255, 255, 255)) << t.text;
    EXPECT_EQ(canvas.background, Rgb(9, 9, 9));
    EXPECT_EQ(canvas.align, kAlignRight);
    canvas.Clear();
    DrawStatisticsFrame(canvas, TestModel(), TestStatistics(), kPowerStatistics, Target::kScreen,
                        TestConfig().statisticsFileName);
    for (const DrawOp& t : canvas.Of(OpKind::kText)) EXPECT_EQ(t.background, kWindowBackground) << t.text;
}

TEST_F(StatisticsViewTest, FileNameWithoutItsDirectory) {
    std::strcpy(TestConfig().statisticsFileName, "C:\\KVD\\Lathe 2.$$$");
    Draw(kPowerStatistics);
    EXPECT_TRUE(canvas.HasText("File: Lathe 2.$$$"));
}

TEST_F(StatisticsViewTest, RegressionDamagedIndexesNeverReadOutsideTheRing) {
    // A loaded file can hold indexes of 50000 and more; the chart keeps to the 50000 entries.
    TestModel().ActiveCut = 15;  // the last cut: reading past its ring would leave the block
    for (StatisticsEntry& e : TestStatistics().entries[15]) e = {10, 10};
    TestStatistics().writeIndex[15] = 65535;
    TestStatistics().wrapMarker[15] = 0;
    Draw(kPowerStatistics);
    EXPECT_TRUE(canvas.HasText("Parts: 50000"));
    EXPECT_EQ(OnePixelBars().size(), 595u);
    for (const DrawOp& bar : OnePixelBars()) EXPECT_LT(bar.x1, kLeft + 600);
    TestStatistics().writeIndex[15] = 3;
    TestStatistics().wrapMarker[15] = 65535;
    Draw(kPowerStatistics);
    EXPECT_EQ(OnePixelBars().size(), 595u);
}

}  // namespace
