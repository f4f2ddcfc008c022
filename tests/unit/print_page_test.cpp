#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "model/parameters.h"
#include "text/language.h"
#include "text/text_ids.h"
#include "print/page_mapping.h"
#include "print/parameter_page.h"
#include "tests/unit/view_fixture.h"

namespace {

// A4 at 300 dpi, as a printer reports its printable area.
constexpr int kPortraitX = 2479, kPortraitY = 3508;

TEST(PageMappingTest, EachPageKindInBothLayouts) {
    struct Case {
        PageKind kind;
        int layout;
        int extentX, extentY, originY;
        // Layout rows that must land on the page, and where.
        int topRow, topDevice;        // the first layout row of the page -> device row
        int bottomRow, bottomDevice;  // the last one
    };
    const Case cases[] = {
        // Everything above the lower panel on the full page.
        {PageKind::kActiveCut, 0, 640, 275, 0, 0, 0, 275, kPortraitY},
        {PageKind::kActiveCut, 1, 800, 305, 0, 0, 0, 305, kPortraitY},
        // From the curve's baseline to the window's bottom: the statistics chart, its baseline
        // (415 / 540) and its scale lie on the page in both layouts.
        {PageKind::kStatistics, 0, 640, 230, -(250 * kPortraitY) / 230, 250, 0, 480, kPortraitY},
        {PageKind::kStatistics, 1, 800, 330, -(270 * kPortraitY) / 330, 270, 0, 600, kPortraitY},
        // The whole layout: (800, 600) is the bottom-right corner of the printable area.
        {PageKind::kParameters, 0, 640, 480, 0, 0, 0, 480, kPortraitY},
        {PageKind::kParameters, 1, 800, 600, 0, 0, 0, 600, kPortraitY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(c.kind) << " layout " << c.layout);
        const PageMapping m = MapPage(c.kind, c.layout, kPortraitX, kPortraitY);
        EXPECT_EQ(m.windowExtentX, c.extentX);
        EXPECT_EQ(m.windowExtentY, c.extentY);
        EXPECT_EQ(m.viewportExtentX, kPortraitX);
        EXPECT_EQ(m.viewportExtentY, kPortraitY);
        EXPECT_EQ(m.viewportOriginX, 0);
        EXPECT_EQ(m.viewportOriginY, c.originY);
        EXPECT_EQ(DeviceY(m, c.topRow), c.topDevice);
        EXPECT_EQ(DeviceY(m, c.bottomRow), c.bottomDevice);
        EXPECT_EQ(DeviceX(m, c.extentX), kPortraitX);
        if (c.kind == PageKind::kStatistics) {
            const int baseline = LayoutValue(kStatsBaseline, c.layout);
            const int panelTop = LayoutValue(kPanelTop, c.layout);
            EXPECT_GE(DeviceY(m, panelTop - 25), 0);          // room above the panel for the title
            EXPECT_LT(DeviceY(m, baseline + 6), kPortraitY);  // the axis below the baseline
        }
    }
}

class ParameterPageTest : public ViewTest {
protected:
    void Draw(int layout, int charWidth) {
        canvas.UseLayout(Layout{layout});
        canvas.Clear();
        canvas.averageCharWidth = charWidth;
        DrawParameterPage(canvas, TestModel(), "08.12.2026", "13:22");
    }
    // The text drawn at a point, or null.
    const DrawOp* At(int x, int y) const {
        for (const DrawOp& op : canvas.ops)
            if (op.kind == OpKind::kText && op.x1 == x && op.y1 == y) return &op;
        return nullptr;
    }
    const DrawOp& Text(const std::string& text) {
        const DrawOp* op = canvas.FindText(text);
        if (op == nullptr) ADD_FAILURE() << "no text \"" << text << "\"";
        static const DrawOp none = [] {
            DrawOp op;
            op.kind = OpKind::kText;
            return op;
        }();
        return op != nullptr ? *op : none;
    }
    // The right edge of the column of a cut (1..16) for a character width.
    static int Column(int cut, int w) { return 13 * w + 20 + 5 * w * cut; }
};

TEST_F(ParameterPageTest, PositionsAlignmentsAndCellFormats) {
    TestModel().cutParameters[0].breakDelay = 1;
    TestModel().cutParameters[1].bluntDelay = 100;
    TestModel().cutParameters[2].bluntDelay = 0;
    TestModel().cutParameters[2].workDivisor = 9;
    TestModel().cutParameters[3].bluntMode = 1;
    TestModel().cutParameters[15].missingCount = 65535;
    TestModel().common.debounce = 1;
    TestModel().common.rangeDecimals = 1;
    TestModel().common.rangeValue = 1234;
    // The array is printed, not the active cut's mirror.
    TestModel().ActiveCut = 0;
    TestModel().activeCutParameters.breakDelay = 77;
    canvas.align = kAlignRight | kAlignTop;
    Draw(1, 8);

    const unsigned left = kAlignBottom | kAlignLeft, right = kAlignBottom | kAlignRight;
    struct Expect {
        const char* text;
        int x, y;
        unsigned align;
    };
    const Expect expected[] = {
        {"Printed: 08.12.2026, 13:22", 20, 30, left},
        {"Parameters", 400, 75, kAlignBottom | kAlignCenter},
        {"Common parameters", 20, 105, left},
        {"Debounce     : 2", 20, 165, left},
        {"Range [kW]   : 123.4", 20, 180, left},
        {"Param.\\  Cut#", 20, 210, left},
        {"16", Column(16, 8), 210, right},
        {"Break Delay  ", 20, 285, left},
        {"0.1", Column(1, 8), 285, right},
        {"10.0", Column(2, 8), 300, right},  // 100 tenths
        {"0.0", Column(3, 8), 300, right},
        {"Wrk", Column(4, 8), 330, right},
        {"65535", Column(16, 8), 375, right},
        {"Work Divisor ", 20, 450, left},
        {"10", Column(3, 8), 450, right},
        {"Cycles/Screen", 20, 495, left},
    };
    for (const Expect& e : expected) {
        const DrawOp* op = At(e.x, e.y);
        ASSERT_NE(op, nullptr) << e.text;
        EXPECT_EQ(op->text, e.text);
        EXPECT_EQ(op->align, e.align) << e.text;
    }
    EXPECT_FALSE(canvas.HasText("7.7"));
    // 2 texts of the title, 6 common lines, 17 head texts, 18 rows of 17.
    EXPECT_EQ(canvas.Texts().size(), 2u + 6u + 17u + 18u * 17u);
    EXPECT_EQ(canvas.align, kAlignRight | kAlignTop);  // put back as it was found
}

TEST_F(ParameterPageTest, GermanChangesTheWordsNotTheLayout) {
    TestConfig().languageBase = kLanguageGerman;
    Draw(1, 8);
    EXPECT_EQ(Text("Gedruckt: 08.12.2026, 13:22").y1, 30);
    EXPECT_FALSE(canvas.HasText("Parameters"));
    const DrawOp& title = Text(GetText(kTextParameters));
    EXPECT_EQ(title.x1, 400);
    EXPECT_EQ(title.y1, 75);
    EXPECT_EQ(Text(GetText(kLabelBreakLimit)).y1, 240);
}

// A font of natural proportions is about twice as wide in layout pixels on a portrait page as on
// the screen; the table is laid out with a width that keeps every column on the page.
TEST_F(ParameterPageTest, LastColumnInsideThePageInPortrait) {
    for (int layout : {0, 1}) {
        SCOPED_TRACE(layout);
        Draw(layout, 17);
        const int width = LayoutValue(kWindowWidth, layout);
        const int w = ParameterPageCharWidth(layout);
        EXPECT_EQ(w, layout == 0 ? 6 : 8);
        const DrawOp& last = Text("16");
        EXPECT_EQ(last.x1, Column(16, w));
        EXPECT_LE(last.x1, width - 20);
        // The labels end where the first column begins.
        EXPECT_EQ(Text("1").x1 - 5 * w, 13 * w + 20);
    }
}

// The widest value a cell can print, in every language and at either end of every parameter's
// range, leaves at least one empty character cell in its five-character column.
TEST_F(ParameterPageTest, EveryCellLeavesAGapInItsColumn) {
    for (uint16_t language : {kLanguageEnglish, kLanguageGerman, kLanguageDanish})
        for (bool highest : {false, true}) {
            TestConfig().languageBase = language;
            for (int i = 0; i < kBaseCodeCount; ++i)
                if (!kBaseCodes[i].common)
                    for (CutParameters& cut : TestModel().cutParameters)
                        CutWord(cut, kBaseCodes[i].word) = highest ? kBaseCodes[i].maxValue : 0;
            Draw(1, 8);
            int cells = 0;
            for (const DrawOp& op : canvas.Of(OpKind::kText))
                if (op.y1 >= 240 && op.align == (kAlignBottom | kAlignRight)) {
                    ++cells;
                    EXPECT_LE(op.text.size(), 4u) << op.text << " in language " << language;
                }
            EXPECT_EQ(cells, 18 * 16);
        }
}

// At every paper size the page-setup dialog offers (the print queue's sizes, in points), upright
// and turned, and for fonts of the proportions of the fixed-pitch faces a printer may substitute:
// a character is at most a cell wide on the page whether the device stretches the font with the
// mapping or draws it at its natural proportions, and the font is no lower than that needs.
TEST(ParameterPageFont, NoWiderThanACellAtEveryPaperSize) {
    const int papers[][2] = {{279, 540},  {297, 684},  {312, 624},  {421, 595},  {459, 649},   {498, 708},
                             {522, 756},  {576, 720},  {595, 842},  {612, 792},  {612, 1008},  {648, 864},
                             {792, 1224}, {842, 1191}, {936, 1368}, {1224, 792}, {2384, 3370}, {4768, 6749}};
    const int proportions[][2] = {{600, 1000}, {602, 1164}, {600, 1133}, {550, 1170}};  // width, cell height
    for (const auto& paper : papers)
        for (bool turned : {false, true})
            for (int layout : {0, 1})
                for (const auto& proportion : proportions) {
                    const int width = proportion[0], height = proportion[1];
                    // 300 dots per inch.
                    const int across = (turned ? paper[1] : paper[0]) * 300 / 72;
                    const int down = (turned ? paper[0] : paper[1]) * 300 / 72;
                    const PageMapping m = MapPage(PageKind::kParameters, layout, across, down);
                    const int h = ParameterPageFontHeight(m, layout, width, height);
                    const double cell = ParameterPageCharWidth(layout);
                    // Layout pixels across per layout pixel down, on the page.
                    const double stretch =
                        (double(down) / m.windowExtentY) / (double(across) / m.windowExtentX);
                    const auto drawnWidth = [&](int fontHeight) {
                        return double(fontHeight) * width / height * std::max(1.0, stretch);
                    };
                    SCOPED_TRACE(testing::Message() << across << "x" << down << " layout " << layout
                                                    << " font " << width << "/" << height);
                    EXPECT_LE(drawnWidth(h), cell);
                    EXPECT_TRUE(h == kParameterPageFontHeight || drawnWidth(h + 1) > cell) << h;
                    EXPECT_GE(h, 1);
                }
}

}  // namespace
