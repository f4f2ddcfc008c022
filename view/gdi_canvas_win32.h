// The Canvas over a GDI device context: a window's paint DC, a memory DC or a printer DC, with the
// pens, brushes and fonts of a drawing set (view/drawing_resources_win32.h) it is handed.
#pragma once

#include <windows.h>

#include "view/canvas.h"
#include "view/drawing_resources_win32.h"

class GdiCanvas final : public Canvas {
public:
    // Takes note of the DC's pen, brush and font (the "surface" objects) and makes text opaque.
    // The set must outlive the canvas.
    GdiCanvas(HDC dc, const DrawingResources& set);
    // The same over a printed page, with fonts made for the page instead of the screen's (a null
    // font: the screen's).
    struct Fonts {
        HFONT caption, number, table;
    };
    GdiCanvas(HDC dc, const DrawingResources& set, const Fonts& fonts);
    // Selects the surface objects again and restores the background mode, so that no object of
    // the drawing set stays selected in the DC.
    ~GdiCanvas() override;
    GdiCanvas(const GdiCanvas&) = delete;
    GdiCanvas& operator=(const GdiCanvas&) = delete;

    void SelectPen(int paletteIndex) override;
    void SelectBrush(int paletteIndex) override;
    int CurrentPen() const override { return pen_; }
    int CurrentBrush() const override { return brush_; }
    void SelectFont(CanvasFont font) override;
    CanvasFont CurrentFont() const override { return font_; }

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    void Polygon(const CanvasPoint* points, int count) override;
    void SetPixel(int x, int y, Colour colour) override;
    void Lines(const CanvasLine* lines, int count) override;
    void DotRow(int left, int right, int y, int paletteIndex) override;

    unsigned TextAlign() const override;
    void SetTextAlign(unsigned align) override;
    Colour BackgroundColour() const override;
    void SetBackgroundColour(Colour colour) override;
    Colour TextColour() const override;
    void SetTextColour(Colour colour) override;
    void TextOut(int x, int y, const char* text) override;
    int AverageCharWidth() override;

private:
    HDC dc_;
    const DrawingResources& set_;
    HGDIOBJ surfacePen_, surfaceBrush_, surfaceFont_;
    int backgroundModeBefore_;
    Fonts fonts_{};
    int pen_ = kSurfaceObject;
    int brush_ = kSurfaceObject;
    CanvasFont font_ = CanvasFont::kSurface;
};
