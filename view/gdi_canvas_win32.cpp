#include "view/gdi_canvas_win32.h"

#include <algorithm>
#include <cstring>

#include "view/drawing_resources_win32.h"
#include "view/palette.h"

static_assert(kAlignRight == TA_RIGHT && kAlignCenter == TA_CENTER && kAlignBottom == TA_BOTTOM &&
              kAlignLeft == TA_LEFT && kAlignTop == TA_TOP);
static_assert(Rgb(1, 2, 3) == RGB(1, 2, 3));

GdiCanvas::GdiCanvas(HDC dc, const DrawingResources& set)
    : dc_(dc),
      set_(set),
      surfacePen_(GetCurrentObject(dc, OBJ_PEN)),
      surfaceBrush_(GetCurrentObject(dc, OBJ_BRUSH)),
      surfaceFont_(GetCurrentObject(dc, OBJ_FONT)),
      backgroundModeBefore_(SetBkMode(dc, OPAQUE)) {
    UseLayout(set.layout);
}

GdiCanvas::GdiCanvas(HDC dc, const DrawingResources& set, const Fonts& fonts) : GdiCanvas(dc, set) {
    fonts_ = fonts;
}

GdiCanvas::~GdiCanvas() {
    // Only what is not the surface's own goes back: every selection is a call into GDI, and a
    // font's (at every paint) makes Wine's X11 driver look up the display's resources again.
    if (pen_ != kSurfaceObject) SelectObject(dc_, surfacePen_);
    if (brush_ != kSurfaceObject) SelectObject(dc_, surfaceBrush_);
    if (font_ != CanvasFont::kSurface) SelectObject(dc_, surfaceFont_);
    if (backgroundModeBefore_ != 0) SetBkMode(dc_, backgroundModeBefore_);
}

// A selection of the object already selected changes nothing in the DC, so it is not passed on:
// the views select by colour and font freely, and each GDI selection costs a lookup and a lock
// (a font selection on an X display under Wine even reads the X resources again).
void GdiCanvas::SelectPen(int paletteIndex) {
    if (paletteIndex == pen_) return;
    pen_ = paletteIndex;
    HGDIOBJ pen = paletteIndex == kSurfaceObject ? surfacePen_ : PalettePen(set_, paletteIndex);
    if (pen != nullptr) SelectObject(dc_, pen);
}

void GdiCanvas::SelectBrush(int paletteIndex) {
    if (paletteIndex == brush_) return;
    brush_ = paletteIndex;
    HGDIOBJ brush = paletteIndex == kSurfaceObject ? surfaceBrush_ : PaletteBrush(set_, paletteIndex);
    if (brush != nullptr) SelectObject(dc_, brush);
}

void GdiCanvas::SelectFont(CanvasFont font) {
    if (font == font_) return;
    font_ = font;
    HGDIOBJ handle = surfaceFont_;
    if (font == CanvasFont::kCaption) handle = fonts_.caption != nullptr ? fonts_.caption : set_.caption;
    if (font == CanvasFont::kNumber) handle = fonts_.number != nullptr ? fonts_.number : set_.number;
    if (font == CanvasFont::kTable) handle = fonts_.table != nullptr ? fonts_.table : set_.table;
    if (handle != nullptr) SelectObject(dc_, handle);
}

void GdiCanvas::MoveTo(int x, int y) { MoveToEx(dc_, x, y, nullptr); }
void GdiCanvas::LineTo(int x, int y) { ::LineTo(dc_, x, y); }
void GdiCanvas::Rectangle(int left, int top, int right, int bottom) {
    ::Rectangle(dc_, left, top, right, bottom);
}
void GdiCanvas::Ellipse(int left, int top, int right, int bottom) {
    ::Ellipse(dc_, left, top, right, bottom);
}

void GdiCanvas::Polygon(const CanvasPoint* points, int count) {
    if (count < 1 || count > kMaxPolygonPoints) return;
    POINT corners[kMaxPolygonPoints];
    for (int i = 0; i < count; ++i) corners[i] = {points[i].x, points[i].y};
    ::Polygon(dc_, corners, count);
}

void GdiCanvas::SetPixel(int x, int y, Colour colour) { ::SetPixel(dc_, x, y, colour); }

void GdiCanvas::Lines(const CanvasLine* lines, int count) {
    constexpr int kChunk = 128;
    POINT ends[2 * kChunk];
    DWORD pairs[kChunk];
    for (int first = 0; first < count; first += kChunk) {
        const int n = std::min(kChunk, count - first);
        for (int i = 0; i < n; ++i) {
            const CanvasLine& line = lines[first + i];
            ends[2 * i] = {line.from.x, line.from.y};
            ends[2 * i + 1] = {line.to.x, line.to.y};
            pairs[i] = 2;
        }
        ::PolyPolyline(dc_, ends, pairs, static_cast<DWORD>(n));
    }
}

void GdiCanvas::DotRow(int left, int right, int y, int paletteIndex) {
    if (paletteIndex < 0 || paletteIndex >= kPaletteSize || left >= right) return;
    HGDIOBJ pen = PalettePen(set_, paletteIndex);
    // One pen pixel is one dot only when a logical unit is one device pixel (not on a printer).
    if (pen == nullptr || GetMapMode(dc_) != MM_TEXT) {
        Canvas::DotRow(left, right, y, paletteIndex);
        return;
    }
    HGDIOBJ before = SelectObject(dc_, pen);
    MoveToEx(dc_, left, y, nullptr);
    ::LineTo(dc_, right, y);
    if (before != nullptr) SelectObject(dc_, before);
}

unsigned GdiCanvas::TextAlign() const { return GetTextAlign(dc_); }
void GdiCanvas::SetTextAlign(unsigned align) { ::SetTextAlign(dc_, align); }
Colour GdiCanvas::BackgroundColour() const { return GetBkColor(dc_); }
void GdiCanvas::SetBackgroundColour(Colour colour) { SetBkColor(dc_, colour); }
Colour GdiCanvas::TextColour() const { return GetTextColor(dc_); }
void GdiCanvas::SetTextColour(Colour colour) { SetTextColor(dc_, colour); }

void GdiCanvas::TextOut(int x, int y, const char* text) {
    TextOutA(dc_, x, y, text, static_cast<int>(std::strlen(text)));
}

int GdiCanvas::AverageCharWidth() {
    TEXTMETRICA metrics{};
    return GetTextMetricsA(dc_, &metrics) ? metrics.tmAveCharWidth : 0;
}
