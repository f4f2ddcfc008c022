#include <gtest/gtest.h>

#include "text/language.h"
#include "tests/unit/view_fixture.h"
#include "view/legend_view.h"
#include "view/palette.h"

namespace {

using LegendViewTest = ViewTest;

TEST_F(LegendViewTest, PictureOfTheCurveColours) {
    DrawLegend(canvas);
    // The sketched cycle: grey Ts, yellow Po measurement, grey below Po, blue above it.
    const std::vector<DrawOp> boxes = canvas.Of(OpKind::kRectangle);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].coords(), (DrawOp::Coords{5, 80, 25, 90}));
    EXPECT_EQ(boxes[0].brush, kPaletteGrey);
    EXPECT_EQ(boxes[1].coords(), (DrawOp::Coords{25, 80, 30, 90}));
    EXPECT_EQ(boxes[1].brush, kPaletteYellow);
    EXPECT_EQ(boxes[1].pen, kPaletteYellow);
    EXPECT_EQ(boxes[2].coords(), (DrawOp::Coords{31, 80, 95, 90}));
    EXPECT_EQ(boxes[2].brush, kPaletteGrey);
    const std::vector<DrawOp> polygons = canvas.Of(OpKind::kPolygon);
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(polygons[0].brush, kPaletteBlue);
    EXPECT_EQ(polygons[0].pen, kPaletteBlue);
    ASSERT_EQ(polygons[0].points.size(), 4u);
    const int corners[4][2] = {{31, 79}, {50, 50}, {85, 60}, {94, 79}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(polygons[0].points[i].x, corners[i][0]);
        EXPECT_EQ(polygons[0].points[i].y, corners[i][1]);
    }
    // Limit lines in their colours, pointers in black.
    EXPECT_EQ(canvas.FindLine(5, 70, 94, 70)->pen, kPaletteDarkGreen);
    EXPECT_EQ(canvas.FindLine(5, 45, 95, 45)->pen, kPaletteMagenta);
    EXPECT_EQ(canvas.FindLine(5, 30, 94, 30)->pen, kPaletteRed);
    EXPECT_EQ(canvas.LinesIn(kPaletteBlack).size(), 4u);
    EXPECT_NE(canvas.FindLine(97, 60, 80, 65), nullptr);
}

TEST_F(LegendViewTest, TextsFollowTheLanguage) {
    struct Expect {
        TextId id;
        int x, y;
        unsigned align;
    };
    const Expect texts[] = {
        {64, 9, 102, kAlignLeft | kAlignTop},    {52, 30, 102, kAlignLeft | kAlignTop},
        {65, 95, 102, kAlignLeft | kAlignTop},   {66, 97, 35, kAlignLeft | kAlignBottom},
        {67, 97, 50, kAlignLeft | kAlignBottom}, {68, 97, 80, kAlignLeft | kAlignBottom},
        {49, 97, 65, kAlignLeft | kAlignBottom},
    };
    for (uint16_t language : {kLanguageEnglish, kLanguageGerman}) {
        TestConfig().languageBase = language;
        canvas.Clear();
        DrawLegend(canvas);
        const std::vector<DrawOp> drawn = canvas.Of(OpKind::kText);
        ASSERT_EQ(drawn.size(), std::size(texts));
        for (size_t i = 0; i < drawn.size(); ++i) {
            SCOPED_TRACE(texts[i].id);
            EXPECT_EQ(drawn[i].text, GetTextIn(language, texts[i].id));
            EXPECT_EQ(drawn[i].x1, texts[i].x);
            EXPECT_EQ(drawn[i].y1, texts[i].y);
            EXPECT_EQ(drawn[i].align, texts[i].align);
            EXPECT_EQ(drawn[i].font, CanvasFont::kTable);
            EXPECT_EQ(drawn[i].background, kWindowBackground);
        }
    }
    EXPECT_TRUE(canvas.HasText("Bruch"));
}

TEST_F(LegendViewTest, LeavesTheSurfaceAsItFoundIt) {
    canvas.pen = kPaletteWhite;
    canvas.brush = kSurfaceObject;
    canvas.font = CanvasFont::kNumber;
    canvas.align = kAlignCenter;
    canvas.background = Rgb(7, 7, 7);
    DrawLegend(canvas);
    EXPECT_EQ(canvas.pen, kPaletteWhite);
    EXPECT_EQ(canvas.brush, kSurfaceObject);
    EXPECT_EQ(canvas.font, CanvasFont::kNumber);
    EXPECT_EQ(canvas.align, kAlignCenter);
    EXPECT_EQ(canvas.background, Rgb(7, 7, 7));
}

}  // namespace
