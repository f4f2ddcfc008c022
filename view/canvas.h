// The drawing surface every view draws on. The screen and the printer are GDI device contexts
// behind it (view/gdi_canvas_win32.h); tests draw on a recording canvas.
//
// Semantics are those of GDI: a line excludes its end point; rectangles and ellipses are bounded
// by (left, top) inclusive and (right, bottom) exclusive, outlined in the pen and filled with the
// brush; text is drawn on an opaque background of the background colour.
#pragma once

#include <cstdint>

#include "view/layout.h"

// <windows.h> and <windowsx.h> define some of the method names below as macros; the canvas means
// its own methods wherever it is included. A Win32 file that calls these methods itself includes
// <windows.h> first, so that the macros are gone by then.
#ifdef TextOut
#undef TextOut
#endif
#ifdef SelectPen
#undef SelectPen
#endif
#ifdef SelectBrush
#undef SelectBrush
#endif
#ifdef SelectFont
#undef SelectFont
#endif

// A colour in the COLORREF layout: 0x00BBGGRR.
using Colour = uint32_t;
constexpr Colour Rgb(int r, int g, int b) {
    return static_cast<Colour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

// Text alignment bits, the values the platform uses.
constexpr unsigned kAlignLeft = 0;
constexpr unsigned kAlignRight = 2;
constexpr unsigned kAlignCenter = 6;
constexpr unsigned kAlignTop = 0;
constexpr unsigned kAlignBottom = 8;

// The fonts a view can select. kSurface is the font the surface had when it was handed to the
// views (the system font on the screen).
enum class CanvasFont : int { kSurface, kCaption, kNumber, kTable };

// Pen or brush "index" of the object the surface had when it was handed to the views.
constexpr int kSurfaceObject = -1;

struct CanvasPoint {
    int32_t x, y;
};
struct CanvasLine {
    CanvasPoint from, to;
};
// Polygons longer than this are not drawn (the views draw four corners at most).
constexpr int kMaxPolygonPoints = 16;

class Canvas {
public:
    virtual ~Canvas() = default;

    // Pens and brushes of the palette (view/palette.h) by index, or kSurfaceObject.
    virtual void SelectPen(int paletteIndex) = 0;
    virtual void SelectBrush(int paletteIndex) = 0;
    virtual int CurrentPen() const = 0;
    virtual int CurrentBrush() const = 0;
    virtual void SelectFont(CanvasFont font) = 0;
    virtual CanvasFont CurrentFont() const = 0;

    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    virtual void Ellipse(int left, int top, int right, int bottom) = 0;
    virtual void Polygon(const CanvasPoint* points, int count) = 0;
    virtual void SetPixel(int x, int y, Colour colour) = 0;
    // Many lines in the current pen: the pixels of MoveTo(from) and LineTo(to) for each, in one
    // call where the surface can take them so. The current position is undefined afterwards.
    virtual void Lines(const CanvasLine* lines, int count);
    // The pixels of SetPixel(x, y, colour of the palette index) for x = left .. right - 1; the
    // selected pen stays selected. The current position is undefined afterwards.
    virtual void DotRow(int left, int right, int y, int paletteIndex);

    virtual unsigned TextAlign() const = 0;
    virtual void SetTextAlign(unsigned align) = 0;
    virtual Colour BackgroundColour() const = 0;
    virtual void SetBackgroundColour(Colour colour) = 0;
    virtual Colour TextColour() const = 0;
    virtual void SetTextColour(Colour colour) = 0;
    virtual void TextOut(int x, int y, const char* text) = 0;
    // Average character width of the current font, in surface pixels.
    virtual int AverageCharWidth() = 0;

    // The layout the views place their drawing by on this surface (the large one unless told).
    const Layout& UsedLayout() const { return layout_; }
    void UseLayout(const Layout& layout) { layout_ = layout; }

private:
    Layout layout_;
};

// MoveTo and LineTo: the line from (x1, y1) up to (x2, y2), end point excluded.
void DrawLine(Canvas& canvas, int x1, int y1, int x2, int y2);
// TextOut of a printf-formatted text (at most 127 characters are drawn).
void DrawFormatted(Canvas& canvas, int x, int y, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// Saves the text alignment, background colour and font of a canvas and puts them back when the
// drawing operation that changed them ends.
class TextStateGuard {
public:
    explicit TextStateGuard(Canvas& canvas)
        : canvas_(canvas),
          align_(canvas.TextAlign()),
          background_(canvas.BackgroundColour()),
          font_(canvas.CurrentFont()) {}
    ~TextStateGuard() {
        canvas_.SetTextAlign(align_);
        canvas_.SetBackgroundColour(background_);
        canvas_.SelectFont(font_);
    }
    TextStateGuard(const TextStateGuard&) = delete;
    TextStateGuard& operator=(const TextStateGuard&) = delete;

private:
    Canvas& canvas_;
    unsigned align_;
    Colour background_;
    CanvasFont font_;
};
