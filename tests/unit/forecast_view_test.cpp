// The forecast display on the recording canvas, in both layouts: the points, the fitted line on
// to the farther limit, the limit lines and the texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/view_fixture.h"
#include "text/language.h"
#include "trend/cut_trend.h"
#include "view/forecast_view.h"
#include "view/palette.h"

namespace {

TrendBook book;

class ForecastViewTest : public ViewTest {
protected:
    // Cut 1 with the given peaks (work = peak / 2), a window of 10; Blunt 40, Break 50.
    CutForecast Built(const std::vector<int>& peaks, uint16_t mode = 0) {
        for (int p : peaks) AppendStatisticsEntry(TestStatistics(), 0, {uint8_t(p), uint8_t(p / 2)});
        StartTrends(book, TestStatistics(), 10);
        CutParameters limits = DefaultCutParameters();
        limits.bluntLimit = 40;
        limits.breakLimit = 50;
        limits.bluntMode = mode;
        return ForecastOf(book, 0, limits);
    }
};

TEST_F(ForecastViewTest, RisingToolInBothLayouts) {
    // 20 .. 29: slope 1, now at 29; Blunt 40 in 11 cycles, Break 50 in 21. The chart spans the
    // window and 21 cycles ahead, 31 cycles over 600 pixels: cycle c at left + 600 c / 31.
    struct Case {
        int layout;
        uint16_t language;
        int left, base, perPercent, textY, lineHeight;
        std::vector<std::string> texts;
        const char* warning;  // 11 cycles to the nearer limit, fewer than 20
    };
    const Case cases[] = {
        {1,
         kLanguageEnglish,
         100,
         540,
         2,
         330,
         16,
         {" Forecast, Cut# 1 ", "Peak [%]", "Blunt limit in about 11 cycles (11 .. 11)",
          "Break limit in about 21 cycles (21 .. 21)", "rising since cycle 1"},
         "Change tool within 11 cycles"},
        {0,
         kLanguageGerman,
         20,
         415,
         1,
         310,
         14,
         {" Prognose, Schnitt# 1 ", "Stumpf Grenze in etwa 11 Zyklen (11 .. 11)",
          "Bruch Grenze in etwa 21 Zyklen (21 .. 21)", "steigt seit Zyklus 1"},
         "Werkzeug wechseln in 11 Zyklen"},
    };
    const CutForecast f = Built({20, 21, 22, 23, 24, 25, 26, 27, 28, 29});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout);
        canvas.UseLayout(Layout{c.layout});
        TestConfig().languageBase = c.language;
        canvas.Clear();
        DrawForecastView(canvas, f, Target::kScreen);
        auto y = [&](int percent) { return c.base - c.perPercent * percent; };
        // Ten points, 3x3 pixels in blue, the last at cycle 9 (174 pixels in).
        const std::vector<DrawOp> points = canvas.Of(OpKind::kRectangle);
        ASSERT_EQ(points.size(), 10u);
        EXPECT_EQ(points[9].coords(), (DrawOp::Coords{c.left + 173, y(29) - 1, c.left + 176, y(29) + 2}));
        EXPECT_EQ(points[9].brush, kPaletteBlue);
        // The line from cycle 0 at 20 % to cycle 30 (581 pixels in) where it meets Break 50.
        const DrawOp* line = canvas.FindLine(c.left, y(20), c.left + 581, y(50));
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->pen, kPaletteBlack);
        ASSERT_EQ(canvas.LinesIn(kPaletteRed).size(), 1u);
        EXPECT_EQ(canvas.LinesIn(kPaletteRed)[0].coords(),
                  (DrawOp::Coords{c.left, y(50), c.left + 600, y(50)}));
        ASSERT_EQ(canvas.LinesIn(kPaletteMagenta).size(), 1u);
        EXPECT_EQ(canvas.LinesIn(kPaletteMagenta)[0].y1, y(40));
        for (const std::string& t : c.texts) EXPECT_TRUE(canvas.HasText(t)) << t;
        const DrawOp* rising = canvas.FindText(c.texts.back());
        ASSERT_NE(rising, nullptr);
        EXPECT_EQ(rising->coords()[0], c.left + 15);
        EXPECT_EQ(rising->coords()[1], c.textY + 3 * c.lineHeight);
        char warning[128];
        ForecastWarningText(f, kForecastWarningCycles, warning, sizeof warning);
        EXPECT_STREQ(warning, c.warning);
        ForecastWarningText(f, 11, warning, sizeof warning);
        EXPECT_STREQ(warning, "");
    }
}

TEST_F(ForecastViewTest, TooFewCyclesInWorkModeShowPointsButNoLine) {
    const CutForecast f = Built({60, 62, 64}, 1);
    DrawForecastView(canvas, f, Target::kPrinter);
    EXPECT_EQ(canvas.Texts().size(), 7u);  // title, the scale's four labels and its unit, one line
    EXPECT_TRUE(canvas.HasText("too few cycles (3 / 10)"));
    EXPECT_TRUE(canvas.HasText("Work [%]"));
    // Seven more cycles in power mode: the last ten peaks 60 .. 78 are above both limits already.
    char warning[128];
    ForecastWarningText(Built({66, 68, 70, 72, 74, 76, 78}), 20, warning, sizeof warning);
    EXPECT_STREQ(warning, "Blunt Limit: reached");
    EXPECT_EQ(canvas.Of(OpKind::kRectangle).size(), 3u);
    EXPECT_EQ(canvas.Of(OpKind::kRectangle)[2].y1, 540 - 2 * 32 - 1);  // the work value 32
    // The work chart has the Blunt line only, and nothing else but the axes is drawn in black.
    EXPECT_TRUE(canvas.LinesIn(kPaletteRed).empty());
    EXPECT_EQ(canvas.LinesIn(kPaletteMagenta).size(), 1u);
    for (const DrawOp& l : canvas.LinesIn(kPaletteBlack))
        EXPECT_TRUE(l.x1 < 100 || l.y1 == 540 || l.x1 >= 705);
}

}  // namespace
