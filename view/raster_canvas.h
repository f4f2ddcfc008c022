// A Canvas that paints into a buffer of pixels, so that the views can be rendered to an image
// without a window system (pictures for the documentation, pixel checks in native tests).
//
// It follows GDI's rules where the views rely on them: lines leave out their end point,
// rectangles and ellipses are outlined in the pen and filled with the brush inside (right, bottom)
// exclusive bounds, polygons are filled by the alternate (even-odd) rule, and text is drawn on an
// opaque background. The surface pen is black and the surface brush white, as in a fresh DC.
// Text uses an 8x14 bitmap font; the number font is drawn twice as large.
#pragma once

#include <cstdint>
#include <vector>

#include "view/canvas.h"

class RasterCanvas final : public Canvas {
public:
    // All pixels start in the given colour. The buffer is allocated once, here.
    RasterCanvas(int width, int height, Colour fill);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // The colour of a pixel; outside the surface 0.
    Colour At(int x, int y) const;

    void SelectPen(int paletteIndex) override { pen_ = paletteIndex; }
    void SelectBrush(int paletteIndex) override { brush_ = paletteIndex; }
    int CurrentPen() const override { return pen_; }
    int CurrentBrush() const override { return brush_; }
    void SelectFont(CanvasFont font) override { font_ = font; }
    CanvasFont CurrentFont() const override { return font_; }

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    void Polygon(const CanvasPoint* points, int count) override;
    void SetPixel(int x, int y, Colour colour) override;

    unsigned TextAlign() const override { return align_; }
    void SetTextAlign(unsigned align) override { align_ = align; }
    Colour BackgroundColour() const override { return background_; }
    void SetBackgroundColour(Colour colour) override { background_ = colour; }
    Colour TextColour() const override { return text_; }
    void SetTextColour(Colour colour) override { text_ = colour; }
    void TextOut(int x, int y, const char* text) override;
    int AverageCharWidth() override;

private:
    Colour PenColour() const;
    Colour BrushColour() const;
    int FontScale() const;
    // The line from (x1, y1) towards (x2, y2), the end point left out.
    void Line(int x1, int y1, int x2, int y2, Colour colour);

    int width_, height_;
    std::vector<Colour> pixels_;
    int x_ = 0, y_ = 0;
    int pen_ = kSurfaceObject, brush_ = kSurfaceObject;
    CanvasFont font_ = CanvasFont::kSurface;
    unsigned align_ = kAlignLeft | kAlignTop;
    Colour background_ = Rgb(255, 255, 255);
    Colour text_ = Rgb(0, 0, 0);
};

// Writes the picture as a binary portable pixmap (P6): 0 or the system error code.
[[nodiscard]] int32_t WritePixmap(const RasterCanvas& canvas, const char* path);
