#include <gtest/gtest.h>

#include <string>

#include "text/language.h"
#include "tests/unit/view_fixture.h"
#include "view/palette.h"
#include "view/table_view.h"

namespace {

// 800x600 layout: columns at 55, 305, 555; rows from 346, 16 apart.
constexpr int kColumn1 = 55, kColumn2 = 305, kColumn3 = 555;
constexpr int Row(int n) { return 346 + 16 * (n - 1); }

class TableViewTest : public ViewTest {
protected:
    void Draw() {
        canvas.Clear();
        DrawParameterTable(canvas, TestModel(), 794);
    }
    // The text drawn at a table position, or "" when nothing is there.
    std::string TextAt(int x, int y) const {
        for (const DrawOp& op : canvas.Of(OpKind::kText))
            if (op.x1 == x && op.y1 == y) return op.text;
        return "";
    }
};

TEST_F(TableViewTest, EveryRowOfTheDefaultsInEnglish) {
    TestModel().ActiveCut = 2;
    Draw();
    struct Row_ {
        int x, y;
        const char* text;
    };
    const Row_ rows[] = {
        {kColumn1, Row(1), "Break Limit  : 50 %"},       {kColumn1, Row(2), "Break Delay  : 0.1 s"},
        {kColumn1, Row(4), "Blunt Limit  : 30 %"},       {kColumn1, Row(5), "Blunt Mode   : Power"},
        {kColumn1, Row(6), "Blunt Delay  : 10.0 s"},     {kColumn1, Row(7), "Blunt Alarm  : End        "},
        {kColumn1, Row(8), "Blunt Count  : 1"},          {kColumn1, Row(9), "Ta on Blunt  : Yes"},
        {kColumn1, Row(10), "Work Divisor : 1024 (10)"}, {kColumn2, Row(1), "Missing Limit: 10 %"},
        {kColumn2, Row(2), "Missing Delay: 5.0 s"},      {kColumn2, Row(3), "Missing Count: 1"},
        {kColumn2, Row(4), "Tw           : Off"},        {kColumn2, Row(6), "Ts           : 2.0 s"},
        {kColumn2, Row(7), "Ta           : Off"},        {kColumn2, Row(8), "P1Max        : 100 %"},
        {kColumn2, Row(9), "P1Min        : 0 %"},        {kColumn2, Row(11), "Cycles/Screen: 1"},
        {kColumn3, Row(1), "Common for all cuts:"},      {kColumn3, Row(3), "KVD-ID       : 0"},
        {kColumn3, Row(4), "Average      : 4"},          {kColumn3, Row(5), "Po [samples] : 4"},
        {kColumn3, Row(6), "Debounce     : 2"},          {kColumn3, Row(7), "Range [kW]   : ---"},
    };
    for (const Row_& r : rows) {
        EXPECT_EQ(TextAt(r.x, r.y), r.text);
        const DrawOp* op = canvas.FindText(r.text);
        ASSERT_NE(op, nullptr) << r.text;
        EXPECT_EQ(op->font, CanvasFont::kTable);
        EXPECT_EQ(op->align, kAlignLeft | kAlignBottom);
        EXPECT_EQ(op->background, kWindowBackground);
        EXPECT_EQ(op->textColour, canvas.textColour);
    }
    const DrawOp* title = canvas.FindText(" Parameters, Cut# 3 ");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->x1, 794 / 2);
    EXPECT_EQ(title->y1, 305 + 8);
    EXPECT_EQ(title->align, kAlignCenter | kAlignBottom);
    EXPECT_EQ(canvas.Of(OpKind::kText).size(), 1 + std::size(rows));  // nothing in the empty rows
    const DrawOp* panelLine = canvas.FindLine(10, 305, 784, 305);
    ASSERT_NE(panelLine, nullptr);
    EXPECT_EQ(panelLine->pen, kPaletteBlack);
}

TEST_F(TableViewTest, ValueFormats) {
    struct Case {
        const char* what;
        void (*change)(CutParameters&, CommonParameters&);
        int x, y;
        const char* text;
    };
    const Case cases[] = {
        {"breakLimit 1", [](CutParameters& p, CommonParameters&) { p.breakLimit = 1; }, kColumn1, Row(1),
         "Break Limit  : 1 %"},
        {"breakLimit 0", [](CutParameters& p, CommonParameters&) { p.breakLimit = 0; }, kColumn1, Row(1),
         "Break Limit  : Off"},
        {"bluntLimit 4", [](CutParameters& p, CommonParameters&) { p.bluntLimit = 4; }, kColumn1, Row(4),
         "Blunt Limit  : Off"},
        {"bluntLimit 5", [](CutParameters& p, CommonParameters&) { p.bluntLimit = 5; }, kColumn1, Row(4),
         "Blunt Limit  : 5 %"},
        {"missingLimit 3", [](CutParameters& p, CommonParameters&) { p.missingLimit = 3; }, kColumn2, Row(1),
         "Missing Limit: 3 %"},
        {"missingLimit 2", [](CutParameters& p, CommonParameters&) { p.missingLimit = 2; }, kColumn2, Row(1),
         "Missing Limit: Off"},
        {"bluntMode 1", [](CutParameters& p, CommonParameters&) { p.bluntMode = 1; }, kColumn1, Row(5),
         "Blunt Mode   : Work"},
        {"bluntAlarmMode 1", [](CutParameters& p, CommonParameters&) { p.bluntAlarmMode = 1; }, kColumn1,
         Row(7), "Blunt Alarm  : Immediately"},
        {"taOnBlunt 0", [](CutParameters& p, CommonParameters&) { p.taOnBlunt = 0; }, kColumn1, Row(9),
         "Ta on Blunt  : No"},
        {"workDivisor 0", [](CutParameters& p, CommonParameters&) { p.workDivisor = 0; }, kColumn1, Row(10),
         "Work Divisor : 2 (1)"},
        {"workDivisor 15", [](CutParameters& p, CommonParameters&) { p.workDivisor = 15; }, kColumn1, Row(10),
         "Work Divisor : 65536 (16)"},
        {"tw 15", [](CutParameters& p, CommonParameters&) { p.tw = 15; }, kColumn2, Row(4),
         "Tw           : 1.5 s"},
        {"ts 0", [](CutParameters& p, CommonParameters&) { p.ts = 0; }, kColumn2, Row(6),
         "Ts           : Off"},
        {"ta 250", [](CutParameters& p, CommonParameters&) { p.ta = 250; }, kColumn2, Row(7),
         "Ta           : 25.0 s"},
        {"range decimals 0", [](CutParameters&, CommonParameters& c) { c.rangeValue = 1234; }, kColumn3,
         Row(7), "Range [kW]   : 12.34"},
        {"range small value", [](CutParameters&, CommonParameters& c) { c.rangeValue = 5; }, kColumn3, Row(7),
         "Range [kW]   : 0.05"},
        {"range decimals 1",
         [](CutParameters&, CommonParameters& c) {
             c.rangeValue = 1234;
             c.rangeDecimals = 1;
         },
         kColumn3, Row(7), "Range [kW]   : 123.4"},
        {"range decimals 2",
         [](CutParameters&, CommonParameters& c) {
             c.rangeValue = 1234;
             c.rangeDecimals = 2;
         },
         kColumn3, Row(7), "Range [kW]   : 1234"},
        {"range 0 with decimals 1", [](CutParameters&, CommonParameters& c) { c.rangeDecimals = 1; },
         kColumn3, Row(7), "Range [kW]   : ---"},
        {"debounce 0", [](CutParameters&, CommonParameters& c) { c.debounce = 0; }, kColumn3, Row(6),
         "Debounce     : 1"},
        {"poSamples 0", [](CutParameters&, CommonParameters& c) { c.poSamples = 0; }, kColumn3, Row(5),
         "Po [samples] : Off"},
        {"unitId 255", [](CutParameters&, CommonParameters& c) { c.unitId = 255; }, kColumn3, Row(3),
         "KVD-ID       : 255"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestModel().activeCutParameters = DefaultCutParameters();
        WriteDefaultCommonParameters(TestModel().common);
        c.change(TestModel().activeCutParameters, TestModel().common);
        Draw();
        EXPECT_EQ(TextAt(c.x, c.y), c.text);
    }
}

TEST_F(TableViewTest, TableShowsTheMirrorNotTheRecord) {
    TestModel().cutParameters[0].breakLimit = 77;
    TestModel().activeCutParameters.breakLimit = 12;
    Draw();
    EXPECT_EQ(TextAt(kColumn1, Row(1)), "Break Limit  : 12 %");
}

TEST_F(TableViewTest, CountersInRedWhenTheirCountIsAboveOne) {
    TestModel().ActiveCut = 4;
    TestModel().alarms.BluntCounter[4] = 0;
    TestModel().alarms.MissingCounter[4] = 2;
    TestModel().alarms.BluntCounter[0] = 9;  // another cut's counter is not shown
    canvas.averageCharWidth = 9;
    canvas.textColour = Rgb(0, 0, 1);

    // bluntCount and missingCount 1: no counters.
    Draw();
    EXPECT_EQ(canvas.Of(OpKind::kText).size(), 25u);

    // bluntCount 2 shows its counter even at 0; missingCount 3 shows 2.
    TestModel().activeCutParameters.bluntCount = 2;
    TestModel().activeCutParameters.missingCount = 3;
    Draw();
    const DrawOp* blunt = canvas.FindText("(0)");
    ASSERT_NE(blunt, nullptr);
    EXPECT_EQ(blunt->x1, kColumn1 + 17 * 9);
    EXPECT_EQ(blunt->y1, Row(8));
    EXPECT_EQ(blunt->textColour, Rgb(255, 0, 0));
    const DrawOp* missing = canvas.FindText("(2)");
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->x1, kColumn2 + 17 * 9);
    EXPECT_EQ(missing->y1, Row(3));
    EXPECT_EQ(missing->textColour, Rgb(255, 0, 0));
    EXPECT_EQ(canvas.textColour, Rgb(0, 0, 1));  // restored afterwards
}

TEST_F(TableViewTest, RelaysDisabledWhileTheCountdownRuns) {
    TestModel().alarms.RelaysDisabledTicks = 3;
    Draw();
    const DrawOp* warning = canvas.FindText("Relays disabled!");
    ASSERT_NE(warning, nullptr);
    EXPECT_EQ(warning->x1, kColumn3);
    EXPECT_EQ(warning->y1, Row(10));
    EXPECT_EQ(warning->textColour, Rgb(255, 0, 0));
    TestModel().alarms.RelaysDisabledTicks = 0;
    Draw();
    EXPECT_FALSE(canvas.HasText("Relays disabled!"));
}

TEST_F(TableViewTest, GermanLabelsAndWords) {
    TestConfig().languageBase = kLanguageGerman;
    TestModel().activeCutParameters.bluntMode = 1;
    TestModel().activeCutParameters.tw = 0;
    TestModel().alarms.RelaysDisabledTicks = 1;
    Draw();
    EXPECT_TRUE(canvas.HasText(" Parameter, Schnitt# 1 "));
    EXPECT_EQ(TextAt(kColumn1, Row(1)), "Bruch Grenze : 50 %");
    EXPECT_EQ(TextAt(kColumn1, Row(5)), "Stumpf Modus : Arbeit");
    EXPECT_EQ(TextAt(kColumn1, Row(9)), "Ta f\374r Stumpf: Ja");
    EXPECT_EQ(TextAt(kColumn2, Row(4)), "Tw           : Aus");
    EXPECT_EQ(TextAt(kColumn3, Row(1)), "Allgemeine Parameter:");
    EXPECT_EQ(TextAt(kColumn3, Row(10)), "Relais blockiert!");
}

TEST_F(TableViewTest, SmallLayoutRowsAndRestoredState) {
    canvas.UseLayout(Layout{kSmallLayout});
    canvas.font = CanvasFont::kCaption;
    canvas.align = kAlignRight;
    canvas.background = Rgb(1, 1, 1);
    DrawParameterTable(canvas, TestModel(), 634);
    EXPECT_EQ(TextAt(55, 294), "Break Limit  : 50 %");
    EXPECT_EQ(TextAt(255, 424), "Cycles/Screen: 1");
    EXPECT_EQ(TextAt(455, 346), "Po [samples] : 4");
    EXPECT_EQ(canvas.FindText(" Parameters, Cut# 1 ")->y1, 275 + 7);
    EXPECT_TRUE(canvas.HasLine(5, 275, 629, 275));
    EXPECT_EQ(canvas.font, CanvasFont::kCaption);
    EXPECT_EQ(canvas.align, kAlignRight);
    EXPECT_EQ(canvas.background, Rgb(1, 1, 1));
}

}  // namespace
