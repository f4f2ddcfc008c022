#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "link/message_codes.h"
#include "shell/timer_tick.h"
#include "tests/unit/interpreter_support.h"
#include "tests/unit/view_fixture.h"
#include "view/curve_view.h"
#include "view/palette.h"
#include "view/raster_canvas.h"
#include "test_monitor.h"

namespace {

// 800x600 layout: CurveLeft 100, CurveBaseline 270, AxisRight 710.
constexpr int kLeft = 100, kBase = 270, kRight = 710;

class CurveViewTest : public ViewTest {
protected:
    void DrawScreen(Target target = Target::kScreen) {
        DrawCurveFrame(canvas, TestModel(), target, screen);
        DrawCurvePoints(canvas, TestModel(), target, screen);
    }
    CurveCursor screen;  // the screen's own cursor, as the main window keeps it
    void AddPoint(int value, int state, int po, int slot = 0) {
        TestModel().curve.points[TestModel().curve.pointCount] = {value, state, po, slot};
        ++TestModel().curve.pointCount;
    }
    // The upward lines of one point column in the point colours, in drawing order.
    std::vector<DrawOp> ColumnLines(int x) const {
        std::vector<DrawOp> found;
        for (const DrawOp& op : canvas.Of(OpKind::kLine)) {
            const bool pointPen =
                op.pen == kPaletteGrey || op.pen == kPaletteYellow || op.pen == kPaletteBlue;
            if (pointPen && op.x1 == x && op.x2 == x && op.y1 > op.y2) found.push_back(op);
        }
        return found;
    }
    std::vector<DrawOp> PixelsAt(int x, Colour colour) const {
        std::vector<DrawOp> found;
        for (const DrawOp& op : canvas.Of(OpKind::kPixel))
            if (op.x1 == x && op.colour == colour) found.push_back(op);
        return found;
    }
};

TEST_F(CurveViewTest, LimitLineLevelsLieAtPoPlusLimitAndStopAt100) {
    TestModel().cycle.po = 60;  // Break 50 -> 110, drawn at 100; Blunt 30 -> 90; Missing 10 -> 70
    DrawCurveFrame(canvas, TestModel(), Target::kScreen, screen);
    ASSERT_EQ(canvas.LinesIn(kPaletteRed).size(), 1u);
    EXPECT_TRUE(canvas.HasLine(kLeft, kBase - 200, kRight, kBase - 200));
    EXPECT_EQ(canvas.LinesIn(kPaletteRed)[0].y1, 70);
    ASSERT_EQ(canvas.LinesIn(kPaletteMagenta).size(), 1u);
    EXPECT_EQ(canvas.LinesIn(kPaletteMagenta)[0].y1, kBase - 180);
    ASSERT_EQ(canvas.LinesIn(kPaletteDarkGreen).size(), 1u);
    EXPECT_EQ(canvas.LinesIn(kPaletteDarkGreen)[0].y1, kBase - 140);
}

TEST_F(CurveViewTest, LimitLineEndsFollowTheTaAndTwWindows) {
    struct Case {
        const char* what;
        uint16_t ta, taOnBlunt, tw, cyclesPerScreen, taWindowEnd, twWindowEnd;
        int breakEnd, bluntEnd, missingEnd;
    };
    const Case cases[] = {
        {"ta off: all run to AxisRight", 0, 1, 0, 1, 250, 0, kRight, kRight, kRight},
        {"ta set, one cycle", 10, 1, 0, 1, 250, 0, 350, 350, 350},
        {"blunt ignores Ta without taOnBlunt", 10, 0, 0, 1, 250, 0, 350, kRight, 350},
        {"Ta window of exactly 600 points", 10, 1, 0, 1, 600, 0, 700, 700, 700},
        {"Ta window beyond the screen", 10, 1, 0, 1, 601, 0, kRight, kRight, kRight},
        {"two cycles per screen", 10, 1, 5, 2, 250, 150, kRight, kRight, kRight},
        {"cyclesPerScreen 0 acts as 1", 10, 1, 5, 0, 250, 150, 350, 350, 250},
        {"Tw ends before Ta", 10, 1, 5, 1, 250, 150, 350, 350, 250},
        {"Tw ends after Ta", 10, 1, 5, 1, 250, 300, 350, 350, 350},
        {"Tw alone", 0, 1, 5, 1, 250, 150, kRight, kRight, 250},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetActiveCutParameters([&](CutParameters& p) {
            p.ta = c.ta;
            p.taOnBlunt = c.taOnBlunt;
            p.tw = c.tw;
            p.cyclesPerScreen = c.cyclesPerScreen;
        });
        TestModel().curve.taWindowEnd = c.taWindowEnd;
        TestModel().curve.twWindowEnd = c.twWindowEnd;
        canvas.Clear();
        DrawCurveFrame(canvas, TestModel(), Target::kScreen, screen);
        ASSERT_EQ(canvas.LinesIn(kPaletteRed).size(), 1u);
        EXPECT_EQ(canvas.LinesIn(kPaletteRed)[0].x1, kLeft);
        EXPECT_EQ(canvas.LinesIn(kPaletteRed)[0].x2, c.breakEnd);
        ASSERT_EQ(canvas.LinesIn(kPaletteMagenta).size(), 1u);
        EXPECT_EQ(canvas.LinesIn(kPaletteMagenta)[0].x2, c.bluntEnd);
        ASSERT_EQ(canvas.LinesIn(kPaletteDarkGreen).size(), 1u);
        EXPECT_EQ(canvas.LinesIn(kPaletteDarkGreen)[0].x2, c.missingEnd);
    }
}

TEST_F(CurveViewTest, WhichLimitsDrawForSmallValues) {
    // Break draws for any non-zero limit; Blunt and Missing only above 4; Blunt only in Power mode.
    struct Case {
        uint16_t limit, bluntMode;
        size_t breakLines, bluntLines, missingLines;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0}, {1, 0, 1, 0, 0}, {4, 0, 1, 0, 0}, {5, 0, 1, 1, 1}, {5, 1, 1, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "limit " << c.limit << " bluntMode " << c.bluntMode);
        SetActiveCutParameters([&](CutParameters& p) {
            p.breakLimit = p.bluntLimit = p.missingLimit = c.limit;
            p.bluntMode = c.bluntMode;
        });
        TestModel().curve.pointCount = 0;
        AddPoint(10, kStateRunning, 0);
        canvas.Clear();
        DrawScreen();
        EXPECT_EQ(canvas.LinesIn(kPaletteRed).size(), c.breakLines);
        EXPECT_EQ(canvas.LinesIn(kPaletteMagenta).size(), c.bluntLines);
        EXPECT_EQ(canvas.LinesIn(kPaletteDarkGreen).size(), c.missingLines);
        EXPECT_EQ(PixelsAt(kLeft, kPaletteColours[kPaletteRed]).size(), c.breakLines);
        EXPECT_EQ(PixelsAt(kLeft, kPaletteColours[kPaletteMagenta]).size(), c.bluntLines);
        EXPECT_EQ(PixelsAt(kLeft, kPaletteColours[kPaletteDarkGreen]).size(), c.missingLines);
    }
}

TEST_F(CurveViewTest, PointColoursFollowTheirState) {
    AddPoint(10, kStateCutAnnounced, 0);   // x 100: grey
    AddPoint(20, kStatePoMeasurement, 0);  // x 101: yellow
    AddPoint(30, kStateRunning, 20);       // x 102: grey up to Po, blue above
    AddPoint(10, kStateRunning, 20);       // x 103: below its Po, all grey
    DrawScreen();

    auto expectColumn = [&](int x, std::vector<std::pair<int, int>> segments) {
        SCOPED_TRACE(testing::Message() << "x " << x);
        const std::vector<DrawOp> lines = ColumnLines(x);
        ASSERT_EQ(lines.size(), segments.size());
        int from = kBase;
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].pen, segments[i].first);
            EXPECT_EQ(lines[i].brush, segments[i].first);
            EXPECT_EQ(lines[i].y1, from);
            EXPECT_EQ(lines[i].y2, segments[i].second);
            from = segments[i].second;
        }
    };
    expectColumn(100, {{kPaletteGrey, kBase - 21}});
    expectColumn(101, {{kPaletteYellow, kBase - 41}});
    expectColumn(102, {{kPaletteGrey, kBase - 41}, {kPaletteBlue, kBase - 61}});
    expectColumn(103, {{kPaletteGrey, kBase - 21}});
}

TEST_F(CurveViewTest, RunningPointsPastTheTaWindowStayGreyWhenTaOnBlunt) {
    SetActiveCutParameters([](CutParameters& p) {
        p.ta = 10;
        p.taOnBlunt = 1;
    });
    TestModel().curve.taWindowEnd = 2;
    TestModel().curve.CycleStart[1] = 3;
    AddPoint(40, kStateRunning, 20, 0);  // x 100: index 0, inside
    AddPoint(40, kStateRunning, 20, 0);  // x 101
    AddPoint(40, kStateRunning, 20, 0);  // x 102: 2 - 0 = 2, not past
    AddPoint(40, kStateRunning, 20, 0);  // x 103: 3 - 0 > 2, past: grey
    AddPoint(40, kStateRunning, 20, 1);  // x 104: slot 1 starts at 3, 4 - 3 = 1: inside
    // Damaged slots are not used to index CycleStart; such points are never past Ta.
    AddPoint(40, kStateRunning, 20, -1);  // x 105
    AddPoint(40, kStateRunning, 20, 8);   // x 106
    DrawScreen();
    for (int x : {102, 104, 105, 106}) {
        SCOPED_TRACE(x);
        ASSERT_EQ(ColumnLines(x).size(), 2u);
        EXPECT_EQ(ColumnLines(x)[1].pen, kPaletteBlue);
    }
    ASSERT_EQ(ColumnLines(103).size(), 1u);
    EXPECT_EQ(ColumnLines(103)[0].pen, kPaletteGrey);
    EXPECT_EQ(ColumnLines(103)[0].y2, kBase - 81);

    // Without taOnBlunt the same point shows its work in blue.
    SetActiveCutParameters([](CutParameters& p) { p.taOnBlunt = 0; });
    canvas.Clear();
    DrawScreen();
    ASSERT_EQ(ColumnLines(103).size(), 2u);
    EXPECT_EQ(ColumnLines(103)[1].pen, kPaletteBlue);
}

TEST_F(CurveViewTest, LimitDotsFollowTheWindowsAndTheCurrentPo) {
    TestModel().cycle.po = 20;  // dots: Break 70 -> y 130, Blunt 50 -> y 170, Missing 30 -> y 210
    SetActiveCutParameters([](CutParameters& p) {
        p.ta = 10;
        p.tw = 5;
        p.taOnBlunt = 1;
    });
    TestModel().curve.taWindowEnd = 3;
    TestModel().curve.twWindowEnd = 1;
    for (int i = 0; i < 5; ++i) AddPoint(30, kStateRunning, 5);  // the points' own Po is not used
    DrawScreen();
    const Colour red = kPaletteColours[kPaletteRed], magenta = kPaletteColours[kPaletteMagenta],
                 green = kPaletteColours[kPaletteDarkGreen];
    struct Expect {
        int index;
        size_t red, green, magenta;
    };
    const Expect expected[] = {
        {0, 1, 1, 1}, {1, 1, 1, 1},  // inside both windows
        {2, 1, 0, 1}, {3, 1, 0, 1},  // past Tw
        {4, 0, 0, 0},                // past Ta: Blunt too, as taOnBlunt is set
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.index);
        const int x = kLeft + e.index;
        EXPECT_EQ(PixelsAt(x, red).size(), e.red);
        EXPECT_EQ(PixelsAt(x, green).size(), e.green);
        EXPECT_EQ(PixelsAt(x, magenta).size(), e.magenta);
        for (const DrawOp& dot : PixelsAt(x, red)) EXPECT_EQ(dot.y1, 130);
        for (const DrawOp& dot : PixelsAt(x, green)) EXPECT_EQ(dot.y1, 210);
        for (const DrawOp& dot : PixelsAt(x, magenta)) EXPECT_EQ(dot.y1, 170);
    }
    // Past Ta without taOnBlunt the Blunt dot stays.
    SetActiveCutParameters([](CutParameters& p) { p.taOnBlunt = 0; });
    canvas.Clear();
    DrawScreen();
    EXPECT_EQ(PixelsAt(kLeft + 4, magenta).size(), 1u);
    EXPECT_EQ(PixelsAt(kLeft + 4, red).size(), 0u);
}

TEST_F(CurveViewTest, PeakAndWorkNumbers) {
    // The work number belongs to the active cut's own record; the mirror does not decide it.
    struct Case {
        uint16_t recordBluntMode, mirrorBluntMode, workDivisor;
        uint32_t workSum;
        int32_t peak;
        const char* work;
        const char* peakText;
    };
    const Case cases[] = {
        {0, 1, 0, 10, 7, " --- ", " 07 "},       {1, 0, 0, 10, 105, " 05 ", " 105 "},
        {1, 1, 0, 198, 98, " 99 ", " 98 "},      {1, 1, 0, 202, 0, " 100 ", " 00 "},  // quotient 101
        {1, 1, 0, 140000, 0, " 100 ", " 00 "},  // quotient 70000, above 65535
        {1, 1, 9, 1024 * 42, 0, " 42 ", " 00 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.work);
        TestModel().cutParameters[0].bluntMode = c.recordBluntMode;
        TestModel().cutParameters[0].workDivisor = c.workDivisor;
        TestModel().activeCutParameters.bluntMode = c.mirrorBluntMode;
        TestModel().cycle.workSum = c.workSum;
        TestModel().cycle.peak = c.peak;
        canvas.Clear();
        DrawScreen();
        const DrawOp* work = canvas.FindText(c.work);
        ASSERT_NE(work, nullptr);
        EXPECT_EQ(work->x1, 270);  // WorkBoxCentre
        EXPECT_EQ(work->y1, 60);   // BoxNumberY
        EXPECT_EQ(work->font, CanvasFont::kNumber);
        EXPECT_EQ(work->align, kAlignCenter | kAlignBottom);
        const DrawOp* peak = canvas.FindText(c.peakText);
        ASSERT_NE(peak, nullptr);
        EXPECT_EQ(peak->x1, 530);  // PeakBoxCentre
        EXPECT_EQ(peak->font, CanvasFont::kNumber);
    }
}

TEST_F(CurveViewTest, LampsShowAlarmsConnectionAndErr1) {
    struct Case {
        int32_t notConnected, alarmBits;
        uint16_t err1;
        std::vector<int> brushes;  // Comm, Break, Blunt, Missing [, signal]
    };
    const Case cases[] = {
        {0, 0, 0, {kPaletteGreen, kPaletteGreen, kPaletteGreen, kPaletteGreen}},
        {1, kAlarmBreak | kAlarmMissing, 0, {kPaletteRed, kPaletteRed, kPaletteGreen, kPaletteRed}},
        {0, kAlarmBlunt, 1, {kPaletteGreen, kPaletteGreen, kPaletteRed, kPaletteGreen, kPaletteRed}},
        {0, 0, 2, {kPaletteGreen, kPaletteGreen, kPaletteGreen, kPaletteGreen}},  // only bit 1 counts
    };
    const int lampX[] = {721, 721, 721, 721, 721}, lampY[] = {15, 43, 71, 99, 211};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.notConnected << " " << c.alarmBits << " " << c.err1);
        TestModel().connection.NotConnected = c.notConnected;
        TestModel().alarms.AlarmBits = c.alarmBits;
        TestModel().alarms.Err1Flag = c.err1;
        canvas.Clear();
        DrawScreen();
        const std::vector<DrawOp> lamps = canvas.Of(OpKind::kEllipse);
        ASSERT_EQ(lamps.size(), c.brushes.size());
        for (size_t i = 0; i < lamps.size(); ++i) {
            EXPECT_EQ(lamps[i].brush, c.brushes[i]);
            EXPECT_EQ(lamps[i].pen, kPaletteBlack);
            EXPECT_EQ(lamps[i].x1, lampX[i]);
            EXPECT_EQ(lamps[i].y1, lampY[i]);
            EXPECT_EQ(lamps[i].x2, lampX[i] + 14);
            EXPECT_EQ(lamps[i].y2, lampY[i] + 14);
        }
        EXPECT_EQ(canvas.HasText("Err 1"), (c.err1 & 1) != 0);
    }
}

TEST_F(CurveViewTest, FrameOfTheLargeLayout) {
    TestModel().curve.samplesPerPoint = 4;
    SetActiveCutParameters([](CutParameters& p) {
        p.p1Max = 80;
        p.p1Min = 15;
    });
    DrawCurveFrame(canvas, TestModel(), Target::kScreen, screen);
    // Axes with their arrow heads, in the surface's own pen.
    for (auto [x1, y1, x2, y2] :
         {std::array{99, 60, 99, 276}, std::array{94, 65, 99, 60}, std::array{99, 60, 104, 65},
          std::array{94, 271, 710, 271}, std::array{710, 271, 705, 266}, std::array{710, 271, 705, 276}}) {
        const DrawOp* line = canvas.FindLine(x1, y1, x2, y2);
        ASSERT_NE(line, nullptr) << x1 << "," << y1 << " " << x2 << "," << y2;
        EXPECT_EQ(line->pen, kSurfaceObject);
    }
    // Time labels count samples: i x samplesPerPoint under the tick at CurveLeft + 100 i.
    for (int i = 1; i <= 6; ++i) {
        const DrawOp* label = canvas.FindText(std::to_string(4 * i));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->x1, kLeft + 100 * i);
        EXPECT_EQ(label->y1, kBase + 5);
        EXPECT_TRUE(canvas.HasLine(kLeft + 100 * i, kBase + 2, kLeft + 100 * i, kBase + 5));
    }
    const DrawOp* zoom = canvas.FindText("Zoom");
    ASSERT_NE(zoom, nullptr);
    EXPECT_EQ(zoom->x1, 35);
    EXPECT_EQ(zoom->y1, 56);
    const DrawOp* p1Min = canvas.FindText("15");
    ASSERT_NE(p1Min, nullptr);
    EXPECT_EQ(p1Min->x1, 30);
    EXPECT_EQ(p1Min->y1, kBase + 2);
    EXPECT_EQ(p1Min->align, kAlignRight | kAlignBottom);
    const DrawOp* p1Max = canvas.FindText("80");
    ASSERT_NE(p1Max, nullptr);
    EXPECT_EQ(p1Max->y1, 68);
    EXPECT_EQ(p1Max->align, kAlignRight | kAlignTop);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_TRUE(canvas.HasLine(kLeft - 5, kBase - 50 * k, kLeft - 1, kBase - 50 * k));
        const DrawOp* label = canvas.FindText(std::to_string(25 * k));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->x1, kLeft - 7);
        EXPECT_EQ(label->y1, kBase - 50 * k + 7);
    }
    EXPECT_EQ(canvas.FindText("[s]")->x1, kRight + 2);
    EXPECT_EQ(canvas.FindText("[%]")->y1, 56);
    EXPECT_EQ(canvas.FindText("Work [%]")->font, CanvasFont::kCaption);
    EXPECT_EQ(canvas.FindText("Peak [%]")->x1, 530);
}

TEST_F(CurveViewTest, SmallLayoutHasNoZoomNoPowerLabelsAndNoP1Numbers) {
    canvas.UseLayout(Layout{kSmallLayout});
    SetActiveCutParameters([](CutParameters& p) {
        p.p1Max = 80;
        p.p1Min = 15;
    });
    DrawCurveFrame(canvas, TestModel(), Target::kScreen, screen);
    for (const char* absent : {"Zoom", "80", "15", "25", "50", "75", "100"})
        EXPECT_FALSE(canvas.HasText(absent)) << absent;
    EXPECT_TRUE(canvas.HasLine(15, 200, 19, 200));  // power ticks are still drawn
    EXPECT_EQ(canvas.FindText("[s]")->x1, 630 - 40);
    EXPECT_TRUE(canvas.HasText("Comm."));
}

TEST_F(CurveViewTest, EmptyCurveDrawsFrameNumbersAndLampsOnly) {
    DrawScreen();
    for (int pen : {kPaletteBlue, kPaletteYellow, kPaletteGrey}) EXPECT_TRUE(canvas.LinesIn(pen).empty());
    EXPECT_TRUE(canvas.Of(OpKind::kPixel).empty());
    EXPECT_TRUE(canvas.HasText(" --- "));
    EXPECT_TRUE(canvas.HasText(" 00 "));
    EXPECT_EQ(canvas.Of(OpKind::kEllipse).size(), 4u);
}

TEST_F(CurveViewTest, PrinterTargetLeavesOutLampsLabelsAndBoxEdges) {
    AddPoint(30, kStateRunning, 0);
    DrawScreen(Target::kPrinter);
    EXPECT_TRUE(canvas.Of(OpKind::kEllipse).empty());
    EXPECT_TRUE(canvas.LinesIn(kPaletteWhite).empty());
    for (const char* label : {"Comm.", "Break", "Blunt", "Miss."}) EXPECT_FALSE(canvas.HasText(label));
    const std::vector<DrawOp> texts = canvas.Of(OpKind::kText);
    ASSERT_FALSE(texts.empty());
    for (const DrawOp& t : texts) EXPECT_EQ(t.background, Rgb(255, 255, 255)) << t.text;
    EXPECT_EQ(ColumnLines(kLeft).size(), 2u);  // grey up to Po 0, then blue

    // The screen: grey text backgrounds, sunken box edges.
    canvas.Clear();
    DrawScreen(Target::kScreen);
    for (const DrawOp& t : canvas.Of(OpKind::kText)) EXPECT_EQ(t.background, kWindowBackground) << t.text;
    EXPECT_TRUE(canvas.HasLine(205, 60, 205, 15));                     // work box: black left edge ...
    EXPECT_EQ(canvas.FindLine(335, 15, 335, 60)->pen, kPaletteWhite);  // ... white right edge
    EXPECT_EQ(canvas.FindLine(465, 60, 465, 15)->pen, kPaletteBlack);
}

TEST_F(CurveViewTest, OperationsRestoreAlignmentBackgroundAndFont) {
    canvas.align = kAlignRight;
    canvas.background = Rgb(1, 2, 3);
    canvas.font = CanvasFont::kTable;
    AddPoint(30, kStateRunning, 0);
    DrawCurveFrame(canvas, TestModel(), Target::kScreen, screen);
    DrawCurvePoints(canvas, TestModel(), Target::kScreen, screen);
    DrawPowerBar(canvas, TestModel());
    EXPECT_EQ(canvas.align, kAlignRight);
    EXPECT_EQ(canvas.background, Rgb(1, 2, 3));
    EXPECT_EQ(canvas.font, CanvasFont::kTable);
}

TEST_F(CurveViewTest, PointsContinueWhereTheLastPaintStoppedAndWrap) {
    // Step 1: the frame restarts the curve; three points are drawn.
    for (int i = 0; i < 3; ++i) AddPoint(10, kStateCutAnnounced, 0);
    DrawScreen();
    EXPECT_EQ(screen.nextPoint, 3);
    // Step 2: two more points arrive; points alone draws only those.
    AddPoint(10, kStateCutAnnounced, 0);
    AddPoint(10, kStateCutAnnounced, 0);
    canvas.Clear();
    DrawCurvePoints(canvas, TestModel(), Target::kScreen, screen);
    EXPECT_EQ(canvas.LinesIn(kPaletteGrey).size(), 2u);
    EXPECT_TRUE(ColumnLines(kLeft + 2).empty());
    EXPECT_EQ(ColumnLines(kLeft + 4).size(), 1u);
    // Step 3: the reader filled the screen up to 598 and then halved it to 300 points; the
    // painter goes on from 598 through 599, wraps to 0 and stops at the new end.
    TestModel().curve.pointCount = 598;
    DrawCurvePoints(canvas, TestModel(), Target::kScreen, screen);
    EXPECT_EQ(screen.nextPoint, 598);
    TestModel().curve.pointCount = 300;
    canvas.Clear();
    DrawCurvePoints(canvas, TestModel(), Target::kScreen, screen);
    EXPECT_EQ(canvas.Of(OpKind::kLine).size(), 2u + 300u);
    EXPECT_EQ(ColumnLines(kLeft + 599).size(), 1u);
    EXPECT_EQ(ColumnLines(kLeft).size(), 1u);
    EXPECT_TRUE(ColumnLines(kLeft + 300).empty());
    EXPECT_EQ(screen.nextPoint, 300);
}

TEST_F(CurveViewTest, PrintingBetweenTwoScreenPaintsLeavesTheScreensCursor) {
    // Step 1: the screen draws the three points there are.
    for (int i = 0; i < 3; ++i) AddPoint(10, kStateCutAnnounced, 0);
    DrawScreen();
    // Step 2: two more arrive, and the active cut is printed: the page, with its own cursor,
    // draws all five from its frame on; the screen's cursor stays at 3.
    AddPoint(10, kStateCutAnnounced, 0);
    AddPoint(10, kStateCutAnnounced, 0);
    canvas.Clear();
    CurveCursor page;
    DrawCurveFrame(canvas, TestModel(), Target::kPrinter, page);
    DrawCurvePoints(canvas, TestModel(), Target::kPrinter, page);
    EXPECT_EQ(canvas.LinesIn(kPaletteGrey).size(), 5u);
    EXPECT_EQ(page.nextPoint, 5);
    EXPECT_EQ(screen.nextPoint, 3);
    // Step 3: the screen's next paint goes on with the two new points only.
    canvas.Clear();
    DrawCurvePoints(canvas, TestModel(), Target::kScreen, screen);
    EXPECT_EQ(canvas.LinesIn(kPaletteGrey).size(), 2u);
    EXPECT_TRUE(ColumnLines(kLeft + 2).empty());
    EXPECT_EQ(ColumnLines(kLeft + 3).size(), 1u);
    EXPECT_EQ(screen.nextPoint, 5);
}

TEST_F(CurveViewTest, RegressionDamagedPointCountDoesNotHangThePainter) {
    TestModel().curve.pointCount = 700;  // never reached by an index that wraps at 600
    DrawScreen();
    size_t pointLines = 0;
    for (int x = kLeft; x < kLeft + kCurvePoints; ++x) pointLines += ColumnLines(x).size();
    EXPECT_EQ(pointLines, 600u);
}

TEST_F(CurveViewTest, PowerBarShowsTheLastSampleUnclipped) {
    for (int sample : {0, 40, 105}) {
        SCOPED_TRACE(sample);
        TestModel().cycle.lastSample = sample;
        canvas.Clear();
        DrawPowerBar(canvas, TestModel());
        const std::vector<DrawOp> r = canvas.Of(OpKind::kRectangle);
        ASSERT_EQ(r.size(), 2u);
        EXPECT_EQ(r[0].pen, kPaletteBlue);
        EXPECT_EQ(r[0].brush, kPaletteBlue);
        EXPECT_EQ(r[0].coords(), (DrawOp::Coords{35, kBase - 2 * sample, 50, kBase}));
        EXPECT_EQ(r[1].brush, kPaletteWhite);
        EXPECT_EQ(r[1].coords(), (DrawOp::Coords{35, 70, 50, kBase - 2 * sample}));
    }
}

// The main window as the shell keeps it, on a raster canvas: a region the tick invalidates asks
// the screen's cursor as InvalidateRegion does; the paint erases what was invalidated with erase,
// and its drawing lands only inside the invalidated rectangles (GDI's clipping of a paint, and the
// clip PaintAtTick sets when the tick draws the new points itself).
// Damage from outside the curve's asking is what OtherCurveDamage finds: any other region above
// the panel's top row, except the power bar.
class TickWindow {
public:
    RasterCanvas screen{800, 600, kWindowBackground};
    CurveCursor cursor;
    int paints = 0, newPointsOnly = 0;

    void Invalidate(Region region, bool erase) {
        Rect rects[kMaxAskedRects];
        int n = 1;
        if (region == Region::kNewPoints) {
            n = AskForNewPoints(TestModel(), screen.UsedLayout(), cursor, rects);
        } else {
            if (region == Region::kWholeWindow || region == Region::kCurve) AskForWholeCurve(cursor);
            rects[0] = RegionRect(region, screen.UsedLayout());
            other_ = other_ || (region != Region::kPowerBar && rects[0].top < screen.UsedLayout()(kPanelTop));
        }
        for (int i = 0; i < n; ++i) {
            update_.push_back(rects[i]);
            if (erase) erased_.push_back(rects[i]);
        }
    }
    void Paint() {
        for (const Rect& r : erased_) Copy(r, nullptr);
        RasterCanvas drawn = screen;
        const bool other = other_ && !cursor.wholeAsked;
        newPointsOnly += !other && !cursor.wholeAsked;
        ++paints;
        PaintScreenCurve(drawn, TestModel(), cursor, other);
        for (const Rect& r : update_) Copy(r, &drawn);
        update_.clear();
        erased_.clear();
        other_ = false;
    }

private:
    // The pixels of r from `from`, or the window's background.
    void Copy(const Rect& r, const RasterCanvas* from) {
        for (int y = std::max(r.top, 0); y < std::min(r.bottom, screen.Height()); ++y)
            for (int x = std::max(r.left, 0); x < std::min(r.right, screen.Width()); ++x)
                screen.SetPixel(x, y, from != nullptr ? from->At(x, y) : kWindowBackground);
    }
    std::vector<Rect> update_, erased_;
    bool other_ = false;
};

TickWindow* gTickWindow = nullptr;

// The first pixel where the window differs from one whole drawing of the curve as it is now.
std::string DifferenceFromWholeDrawing(const RasterCanvas& window) {
    RasterCanvas whole(800, 600, kWindowBackground);
    const Layout& layout = window.UsedLayout();
    whole.UseLayout(layout);
    CurveCursor cursor;
    DrawCurveFrame(whole, TestModel(), Target::kScreen, cursor);
    DrawCurvePoints(whole, TestModel(), Target::kScreen, cursor);
    for (int y = 0; y < layout(kPanelTop); ++y)  // the panel is neither's
        for (int x = 0; x < layout(kWindowWidth); ++x)
            if (window.At(x, y) != whole.At(x, y))
                return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return "";
}

TEST_F(CurveViewTest, CyclesDrawnTickByTickEqualOneWholeDrawingAfterEveryTick) {
    // Two cycles of cut 2 as the unit sends them, a few samples per 30 ms tick as at 300 a
    // second, or more when the UI thread was held up (up to 31): cut start, Po measurement, a rise to full
    // power (105, which in the 640x480 layout reaches the boxes and lamps over the curve), a Break alarm, a
    // long plateau that fills the screen so that it is halved, the fall, the cycle end. After every tick the
    // window is painted as the shell paints it, and compared with one whole drawing, pixel for pixel.
    std::vector<uint16_t> cycle = {kMessageCutStartFirst + 1, kMessagePoWindow};
    for (int i = 0; i < 30; ++i) cycle.push_back(static_cast<uint16_t>(18 + i % 5));
    cycle.push_back(kMessagePoWindow);
    for (int i = 0; i < 85; ++i) cycle.push_back(static_cast<uint16_t>(20 + i));
    cycle.push_back(kMessageBreakAlarm);
    for (int i = 0; i < 600; ++i)
        cycle.push_back(static_cast<uint16_t>(100 - (i / 7) % 9 + (i % 50 == 0 ? 5 : 0)));
    for (int i = 0; i < 80; ++i) cycle.push_back(static_cast<uint16_t>(90 - i));
    cycle.push_back(kMessageCycleEnd);
    cycle.push_back(kMessageAlarmReset);

    for (const int layout : {kLargeLayout, kSmallLayout}) {
        SCOPED_TRACE(layout == kLargeLayout ? "800x600" : "640x480");
        ResetModel(TestModel(), TestStatistics());
        WriteParameterDefaults(TestModel());
        ResetInterpreter(TestLink());
        ResetTimerTick(TestMonitor());
        SetActiveCutParameters([](CutParameters& p) { p.ta = 30; });  // the windows end mid-screen
        TickWindow window;
        window.screen.UseLayout(Layout{layout});
        gTickWindow = &window;
        TestLink().windowService.invalidate = [](void*, Region r, bool erase) {
            gTickWindow->Invalidate(r, erase);
        };
        // The end of a cycle paints the curve at once before the snapshot, as the shell does.
        TestLink().windowService.requestEndOfCycle = [](void*) {
            gTickWindow->Invalidate(Region::kCurve, false);
            gTickWindow->Paint();
        };
        window.Invalidate(Region::kWholeWindow, true);  // the window appears
        window.Paint();
        int tick = 0;
        for (int round = 0; round < 2; ++round) {
            for (size_t at = 0; at < cycle.size();) {
                const size_t n = std::min(cycle.size() - at, size_t{1} + tick % 31);  // 1..31 a tick
                for (size_t i = at; i < at + n; ++i) Feed(FrameOf(cycle[i]));
                at += n;
                TimerTick(TestMonitor());
                window.Paint();
                ++tick;
                const std::string difference = DifferenceFromWholeDrawing(window.screen);
                ASSERT_EQ(difference, "") << "tick " << tick;
            }
        }
        // Most paints drew only the new points; the screen was halved at least once a cycle.
        EXPECT_GT(window.newPointsOnly, window.paints * 3 / 4);
        EXPECT_GE(TestModel().curve.samplesPerPoint, 2);
    }
    gTickWindow = nullptr;
}

}  // namespace
