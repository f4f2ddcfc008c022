#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/unit/temp_dir.h"
#include "tests/unit/view_fixture.h"
#include "view/curve_view.h"
#include "view/palette.h"
#include "view/raster_canvas.h"
#include "view/raster_font.h"

namespace {

constexpr Colour kPaper = Rgb(1, 2, 3);
const Colour kRed = kPaletteColours[kPaletteRed], kBlue = kPaletteColours[kPaletteBlue];

TEST(RasterCanvasTest, LinesLeaveOutTheirEndPoint) {
    RasterCanvas c(20, 20, kPaper);
    c.SelectPen(kPaletteRed);
    DrawLine(c, 2, 5, 8, 5);
    DrawLine(c, 10, 10, 10, 4);
    EXPECT_EQ(c.At(2, 5), kRed);
    EXPECT_EQ(c.At(7, 5), kRed);
    EXPECT_EQ(c.At(8, 5), kPaper);
    EXPECT_EQ(c.At(10, 10), kRed);
    EXPECT_EQ(c.At(10, 5), kRed);
    EXPECT_EQ(c.At(10, 4), kPaper);
    // The surface pen of a fresh DC is black; a diagonal reaches its last pixel before the end.
    c.SelectPen(kSurfaceObject);
    DrawLine(c, 0, 0, 4, 4);
    EXPECT_EQ(c.At(3, 3), Rgb(0, 0, 0));
    EXPECT_EQ(c.At(4, 4), kPaper);
}

TEST(RasterCanvasTest, RectanglesAndEllipsesOutlineInThePenFillWithTheBrush) {
    RasterCanvas c(30, 30, kPaper);
    c.SelectPen(kPaletteBlack);
    c.SelectBrush(kPaletteYellow);
    c.Rectangle(2, 3, 8, 9);  // pixels 2..7 x 3..8
    EXPECT_EQ(c.At(2, 3), kPaletteColours[kPaletteBlack]);
    EXPECT_EQ(c.At(7, 8), kPaletteColours[kPaletteBlack]);
    EXPECT_EQ(c.At(5, 5), kPaletteColours[kPaletteYellow]);
    EXPECT_EQ(c.At(8, 5), kPaper);
    EXPECT_EQ(c.At(5, 9), kPaper);
    // Drawn upside down (as a bar above its baseline), the same pixels.
    RasterCanvas flipped(30, 30, kPaper);
    flipped.SelectPen(kPaletteBlack);
    flipped.SelectBrush(kPaletteYellow);
    flipped.Rectangle(2, 9, 8, 3);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) ASSERT_EQ(flipped.At(x, y), c.At(x, y)) << x << "," << y;

    c.SelectBrush(kPaletteGreen);
    c.Ellipse(10, 10, 24, 24);
    EXPECT_EQ(c.At(17, 17), kPaletteColours[kPaletteGreen]);
    EXPECT_EQ(c.At(10, 17), kPaletteColours[kPaletteBlack]);  // leftmost column of the circle
    EXPECT_EQ(c.At(10, 10), kPaper);                          // corner of the box
    EXPECT_EQ(c.At(24, 17), kPaper);
}

TEST(RasterCanvasTest, PolygonFillsItsInside) {
    RasterCanvas c(40, 40, kPaper);
    c.SelectPen(kPaletteBlue);
    c.SelectBrush(kPaletteGrey);
    const CanvasPoint triangle[] = {{5, 30}, {20, 5}, {35, 30}};
    c.Polygon(triangle, 3);
    EXPECT_EQ(c.At(20, 20), kPaletteColours[kPaletteGrey]);
    EXPECT_EQ(c.At(5, 30), kBlue);  // every corner is on the outline
    EXPECT_EQ(c.At(20, 5), kBlue);
    EXPECT_EQ(c.At(6, 10), kPaper);
    EXPECT_EQ(c.At(20, 31), kPaper);
}

TEST(RasterCanvasTest, TextStandsInItsAlignedOpaqueBox) {
    RasterCanvas c(200, 60, kPaper);
    c.SetBackgroundColour(kWindowBackground);
    c.SetTextColour(kRed);
    c.SetTextAlign(kAlignCenter | kAlignBottom);
    c.TextOut(100, 40, "Peak");  // 4 cells of 8: x 84..115, y 26..39
    int ink = 0, background = 0;
    for (int y = 26; y < 40; ++y)
        for (int x = 84; x < 116; ++x) (c.At(x, y) == kRed ? ink : background) += 1;
    EXPECT_GT(ink, 20);
    EXPECT_EQ(ink + background, 32 * 14);
    EXPECT_EQ(c.At(83, 30), kPaper);
    EXPECT_EQ(c.At(116, 30), kPaper);
    EXPECT_EQ(c.At(100, 40), kPaper);
    EXPECT_EQ(c.At(100, 25), kPaper);
    // The number font is twice as large; right/top alignment ends the text at x.
    c.SelectFont(CanvasFont::kNumber);
    c.SetTextAlign(kAlignRight | kAlignTop);
    EXPECT_EQ(c.AverageCharWidth(), 16);
    c.TextOut(180, 0, "7");
    EXPECT_EQ(c.At(164, 0), kWindowBackground);
    EXPECT_EQ(c.At(179, 27), kWindowBackground);
    EXPECT_EQ(c.At(180, 0), kPaper);
    // An accented letter of the German texts has a glyph of its own.
    EXPECT_NE(std::memcmp(RasterGlyph(0xE4), RasterGlyph('?'), kRasterGlyphHeight), 0);
}

using RasterViewTest = ViewTest;

TEST_F(RasterViewTest, CurveScreenRendersAndIsWrittenAsPixmap) {
    TestModel().cycle.po = 20;  // Break at 70 %: y 130
    for (int i = 0; i < 100; ++i) TestModel().curve.points[i] = {60, kStateRunning, 20, 0};
    TestModel().curve.pointCount = 100;
    RasterCanvas canvas(800, 600, kWindowBackground);
    CurveCursor cursor;
    DrawCurveFrame(canvas, TestModel(), Target::kScreen, cursor);
    DrawCurvePoints(canvas, TestModel(), Target::kScreen, cursor);
    DrawPowerBar(canvas, TestModel());
    EXPECT_EQ(canvas.At(400, 130), kRed);
    EXPECT_EQ(canvas.At(150, 200), kBlue);
    EXPECT_EQ(canvas.At(150, 260), kPaletteColours[kPaletteGrey]);
    EXPECT_EQ(canvas.At(728, 22), kPaletteColours[kPaletteGreen]);  // connection lamp: connected

    TempWorkDir dir;
    ASSERT_EQ(WritePixmap(canvas, "curve.ppm"), 0);
    const std::vector<char> bytes = ReadAll(dir.path() / "curve.ppm");
    const std::string header = "P6\n800 600\n255\n";
    ASSERT_EQ(bytes.size(), header.size() + 800u * 600u * 3u);
    EXPECT_EQ(std::string(bytes.data(), header.size()), header);
    const size_t red = header.size() + (130u * 800u + 400u) * 3u;
    EXPECT_EQ(static_cast<uint8_t>(bytes[red]), 255);
    EXPECT_EQ(static_cast<uint8_t>(bytes[red + 1]), 0);
    EXPECT_EQ(static_cast<uint8_t>(bytes[red + 2]), 0);
    EXPECT_NE(WritePixmap(canvas, "missing-folder/curve.ppm"), 0);
}

}  // namespace
