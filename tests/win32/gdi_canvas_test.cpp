// The views drawn through the GDI canvas into a memory bitmap: the pixels prove that every canvas
// operation reaches GDI with the right object, colour and coordinates.
#include <gtest/gtest.h>

#include <windows.h>

#include "files/config.h"
#include "model/model.h"
#include "view/curve_view.h"
#include "view/drawing_resources_win32.h"
#include "view/gdi_canvas_win32.h"
#include "view/layout.h"
#include "view/legend_view.h"
#include "view/palette.h"
#include "tests/unit/test_monitor.h"

namespace {

// A top-down 32-bit DIB section selected into a memory DC, filled with the window background.
class MemorySurface {
public:
    MemorySurface(int width, int height) : width_(width), height_(height) {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<const uint32_t*>(bits);
        previous_ = SelectObject(dc_, bitmap_);
        HBRUSH background = CreateSolidBrush(kWindowBackground);
        const RECT all{0, 0, width, height};
        FillRect(dc_, &all, background);
        DeleteObject(background);
    }
    ~MemorySurface() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    bool Valid() const { return dc_ != nullptr && bitmap_ != nullptr && bits_ != nullptr; }
    HDC dc() const { return dc_; }
    // The pixel as a COLORREF.
    Colour At(int x, int y) const {
        GdiFlush();
        const uint32_t p = bits_[y * width_ + x];
        return Rgb((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    const uint32_t* bits_ = nullptr;
};

class GdiCanvasTest : public ::testing::Test {
protected:
    // Limits whose dots all show (Break 25, Blunt 15, Missing 8 over Po), with Ta and Tw windows
    // on one cycle per screen; taOnBlunt ends the Blunt dots with the Ta window.
    static void SetActiveCutForTest() {
        CutParameters& p = TestModel().activeCutParameters;
        p.breakLimit = 25;
        p.bluntLimit = 15;
        p.missingLimit = 8;
        p.bluntMode = 0;
        p.ta = 5;
        p.tw = 3;
        p.taOnBlunt = 1;
        p.cyclesPerScreen = 1;
    }
    void SetUp() override {
        ResetModel(TestModel(), TestStatistics());
        WriteParameterDefaults(TestModel());
        TestModel().activeCutParameters = DefaultCutParameters();
        PresetConfiguration(TestConfig());
        CreateDrawingResources(set, Layout{});
    }
    void TearDown() override { DeleteDrawingResources(set); }
    DrawingResources set{};  // the window's set, as the main window's state holds one
};

const Colour kRed = kPaletteColours[kPaletteRed], kBlue = kPaletteColours[kPaletteBlue],
             kGrey = kPaletteColours[kPaletteGrey], kGreen = kPaletteColours[kPaletteGreen],
             kWhite = kPaletteColours[kPaletteWhite];

TEST_F(GdiCanvasTest, CurveScreenPixels) {
    // 300 running points of value 60 over a Po of 20; Break at Po + 50 = 70 %, y 270 - 140 = 130.
    TestModel().cycle.po = 20;
    for (int i = 0; i < 300; ++i) TestModel().curve.points[i] = {60, kStateRunning, 20, 0};
    TestModel().curve.pointCount = 300;
    TestModel().connection.NotConnected = 1;
    TestModel().cycle.lastSample = 50;
    MemorySurface surface(800, 600);
    ASSERT_TRUE(surface.Valid());
    {
        GdiCanvas canvas(surface.dc(), set);
        CurveCursor cursor;
        DrawCurveFrame(canvas, TestModel(), Target::kScreen, cursor);
        DrawCurvePoints(canvas, TestModel(), Target::kScreen, cursor);
        DrawPowerBar(canvas, TestModel());
    }
    // The Break line runs from CurveLeft up to AxisRight, its end excluded; dots over the points.
    for (int x : {100, 250, 400, 709}) EXPECT_EQ(surface.At(x, 130), kRed) << x;
    EXPECT_EQ(surface.At(710, 130), kWindowBackground);
    // A running point's column: grey from the baseline up to its Po, blue up to its value.
    EXPECT_EQ(surface.At(300, 269), kGrey);
    EXPECT_EQ(surface.At(300, 230), kGrey);
    EXPECT_EQ(surface.At(300, 229), kBlue);
    EXPECT_EQ(surface.At(300, 150), kBlue);
    EXPECT_EQ(surface.At(300, 149), kWindowBackground);  // the value's own row is the excluded end
    EXPECT_EQ(surface.At(399, 200), kBlue);              // the last point, index 299
    EXPECT_EQ(surface.At(399, 260), kGrey);
    EXPECT_EQ(surface.At(400, 200), kWindowBackground);  // no point 300
    // Lamps: the connection lamp red (not connected), the Break lamp green; black outlines.
    EXPECT_EQ(surface.At(721 + 7, 15 + 7), kRed);
    EXPECT_EQ(surface.At(721 + 7, 43 + 7), kGreen);
    EXPECT_EQ(surface.At(721 + 7, 43), kPaletteColours[kPaletteBlack]);
    // Power bar at 50 %: blue below y 170, white above.
    EXPECT_EQ(surface.At(40, 200), kBlue);
    EXPECT_EQ(surface.At(40, 100), kWhite);
    // Sunken work box: black top edge, white right edge.
    EXPECT_EQ(surface.At(250, 15), kPaletteColours[kPaletteBlack]);
    EXPECT_EQ(surface.At(335, 40), kWhite);
}

// The GDI canvas drawing every line and dot by itself, as the base Canvas does: the reference
// for the batched drawing of the points.
class OneByOneCanvas final : public Canvas {
public:
    explicit OneByOneCanvas(GdiCanvas& inner) : inner_(inner) {}
    void SelectPen(int i) override { inner_.SelectPen(i); }
    void SelectBrush(int i) override { inner_.SelectBrush(i); }
    int CurrentPen() const override { return inner_.CurrentPen(); }
    int CurrentBrush() const override { return inner_.CurrentBrush(); }
    void SelectFont(CanvasFont f) override { inner_.SelectFont(f); }
    CanvasFont CurrentFont() const override { return inner_.CurrentFont(); }
    void MoveTo(int x, int y) override { inner_.MoveTo(x, y); }
    void LineTo(int x, int y) override { inner_.LineTo(x, y); }
    void Rectangle(int l, int t, int r, int b) override { inner_.Rectangle(l, t, r, b); }
    void Ellipse(int l, int t, int r, int b) override { inner_.Ellipse(l, t, r, b); }
    void Polygon(const CanvasPoint* p, int n) override { inner_.Polygon(p, n); }
    void SetPixel(int x, int y, Colour c) override { inner_.SetPixel(x, y, c); }
    unsigned TextAlign() const override { return inner_.TextAlign(); }
    void SetTextAlign(unsigned a) override { inner_.SetTextAlign(a); }
    Colour BackgroundColour() const override { return inner_.BackgroundColour(); }
    void SetBackgroundColour(Colour c) override { inner_.SetBackgroundColour(c); }
    Colour TextColour() const override { return inner_.TextColour(); }
    void SetTextColour(Colour c) override { inner_.SetTextColour(c); }
    void TextOut(int x, int y, const char* t) override { inner_.TextOut(x, y, t); }
    int AverageCharWidth() override { return inner_.AverageCharWidth(); }

private:
    GdiCanvas& inner_;
};

TEST_F(GdiCanvasTest, BatchedPointsGiveThePictureOfPointByPoint) {
    // A screen with every kind of column: Po measurement, running points below and above Po and
    // past the Ta window, a cut-announced point, values above 100 %; the dots of all three limits
    // break off where the Tw and Ta windows end, and the Break dots lie on the point lines.
    TestModel().cycle.po = 30;
    SetActiveCutForTest();
    for (int i = 0; i < 599; ++i) {
        const int state = i < 4 ? kStateCutAnnounced : i < 40 ? kStatePoMeasurement : kStateRunning;
        TestModel().curve.points[i] = {(i * 37) % 106, state, i < 40 ? 0 : 30, 0};
    }
    TestModel().curve.pointCount = 599;
    TestModel().curve.taWindowEnd = 420;
    TestModel().curve.twWindowEnd = 250;
    MemorySurface batched(800, 600), reference(800, 600);
    ASSERT_TRUE(batched.Valid() && reference.Valid());
    {
        GdiCanvas canvas(batched.dc(), set);
        CurveCursor cursor;
        DrawCurveFrame(canvas, TestModel(), Target::kScreen, cursor);
        DrawCurvePoints(canvas, TestModel(), Target::kScreen, cursor);
    }
    {
        GdiCanvas gdi(reference.dc(), set);
        OneByOneCanvas canvas(gdi);
        CurveCursor cursor;
        DrawCurveFrame(canvas, TestModel(), Target::kScreen, cursor);
        DrawCurvePoints(canvas, TestModel(), Target::kScreen, cursor);
    }
    int differing = 0, coloured = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 800; ++x) {
            differing += batched.At(x, y) != reference.At(x, y);
            coloured += reference.At(x, y) != kWindowBackground;
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(coloured, 599 * 20);  // the points were drawn at all
}

TEST_F(GdiCanvasTest, LegendPixels) {
    MemorySurface surface(150, 150);
    ASSERT_TRUE(surface.Valid());
    {
        GdiCanvas canvas(surface.dc(), set);
        DrawLegend(canvas);
    }
    EXPECT_EQ(surface.At(10, 85), kGrey);
    EXPECT_EQ(surface.At(27, 85), kPaletteColours[kPaletteYellow]);
    EXPECT_EQ(surface.At(60, 65), kBlue);  // inside the polygon
    EXPECT_EQ(surface.At(50, 30), kRed);
    EXPECT_EQ(surface.At(50, 45), kPaletteColours[kPaletteMagenta]);
    EXPECT_EQ(surface.At(50, 70), kPaletteColours[kPaletteDarkGreen]);
}

TEST_F(GdiCanvasTest, StateRoundTripsAndSurfaceObjectsComeBack) {
    MemorySurface surface(20, 20);
    ASSERT_TRUE(surface.Valid());
    const HGDIOBJ pen = GetCurrentObject(surface.dc(), OBJ_PEN),
                  font = GetCurrentObject(surface.dc(), OBJ_FONT);
    {
        GdiCanvas canvas(surface.dc(), set);
        canvas.SetTextAlign(kAlignCenter | kAlignBottom);
        EXPECT_EQ(canvas.TextAlign(), kAlignCenter | kAlignBottom);
        canvas.SetBackgroundColour(kWindowBackground);
        EXPECT_EQ(canvas.BackgroundColour(), kWindowBackground);
        canvas.SetTextColour(kRed);
        EXPECT_EQ(canvas.TextColour(), kRed);
        canvas.SelectFont(CanvasFont::kTable);
        EXPECT_EQ(GetCurrentObject(surface.dc(), OBJ_FONT), set.table);
        EXPECT_GT(canvas.AverageCharWidth(), 0);
        canvas.SelectPen(kPaletteRed);
        EXPECT_EQ(GetCurrentObject(surface.dc(), OBJ_PEN), PalettePen(set, kPaletteRed));
        canvas.SelectPen(kPaletteSize);  // outside the palette: nothing changes in the DC
        EXPECT_EQ(GetCurrentObject(surface.dc(), OBJ_PEN), PalettePen(set, kPaletteRed));
        canvas.SetPixel(3, 4, kBlue);
        EXPECT_EQ(surface.At(3, 4), kBlue);
    }
    EXPECT_EQ(GetCurrentObject(surface.dc(), OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(surface.dc(), OBJ_FONT), font);
}

TEST_F(GdiCanvasTest, ResourcesExistBetweenCreateAndDelete) {
    for (int i = 0; i < kPaletteSize; ++i) {
        EXPECT_NE(PalettePen(set, i), nullptr);
        EXPECT_NE(PaletteBrush(set, i), nullptr);
    }
    EXPECT_EQ(PalettePen(set, -1), nullptr);
    EXPECT_EQ(PaletteBrush(set, kPaletteSize), nullptr);
    LOGFONTA f{};
    ASSERT_NE(GetObjectA(set.number, sizeof f, &f), 0);
    EXPECT_EQ(f.lfHeight, 25);
    EXPECT_EQ(f.lfWeight, 700);
    EXPECT_EQ(f.lfPitchAndFamily, FF_MODERN | FIXED_PITCH);
    EXPECT_STREQ(f.lfFaceName, "CourierNew");
    ASSERT_NE(GetObjectA(set.table, sizeof f, &f), 0);
    EXPECT_EQ(f.lfHeight, 16);
    DeleteDrawingResources(set);
    EXPECT_EQ(PalettePen(set, 0), nullptr);
    EXPECT_EQ(set.caption, nullptr);
}

}  // namespace
