// A Canvas that records every operation with the drawing state in force at that moment, so that
// view tests can assert the line, the colour and the text. Also used by the drawing benchmark.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "view/canvas.h"

enum class OpKind {
    kSelectPen,
    kSelectBrush,
    kSelectFont,
    kMoveTo,
    kLine,  // from (x1, y1), the current position, to (x2, y2)
    kRectangle,
    kEllipse,
    kPolygon,
    kPixel,
    kText,
    kSetAlign,
    kSetBackground,
    kSetTextColour,
};

struct DrawOp {
    OpKind kind;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // rectangles and ellipses: left, top, right, bottom
    int pen = kSurfaceObject;
    int brush = kSurfaceObject;
    CanvasFont font = CanvasFont::kSurface;
    unsigned align = 0;
    Colour background = 0;
    Colour textColour = 0;
    Colour colour = 0;  // SetPixel
    std::string text;
    std::vector<CanvasPoint> points;

    using Coords = std::array<int, 4>;
    Coords coords() const { return {x1, y1, x2, y2}; }
};

class RecordingCanvas final : public Canvas {
public:
    // The state a fresh device context starts with: its own pen, brush and font, left/top
    // alignment, white background, black text.
    int pen = kSurfaceObject;
    int brush = kSurfaceObject;
    CanvasFont font = CanvasFont::kSurface;
    unsigned align = kAlignLeft | kAlignTop;
    Colour background = Rgb(255, 255, 255);
    Colour textColour = Rgb(0, 0, 0);
    int averageCharWidth = 8;
    int x = 0, y = 0;  // current position
    std::vector<DrawOp> ops;

    void SelectPen(int index) override {
        pen = index;
        Record(OpKind::kSelectPen);
    }
    void SelectBrush(int index) override {
        brush = index;
        Record(OpKind::kSelectBrush);
    }
    int CurrentPen() const override { return pen; }
    int CurrentBrush() const override { return brush; }
    void SelectFont(CanvasFont f) override {
        font = f;
        Record(OpKind::kSelectFont);
    }
    CanvasFont CurrentFont() const override { return font; }
    void MoveTo(int nx, int ny) override {
        Record(OpKind::kMoveTo, nx, ny);
        x = nx;
        y = ny;
    }
    void LineTo(int nx, int ny) override {
        Record(OpKind::kLine, x, y, nx, ny);
        x = nx;
        y = ny;
    }
    void Rectangle(int l, int t, int r, int b) override { Record(OpKind::kRectangle, l, t, r, b); }
    void Ellipse(int l, int t, int r, int b) override { Record(OpKind::kEllipse, l, t, r, b); }
    void Polygon(const CanvasPoint* p, int count) override {
        Record(OpKind::kPolygon).points.assign(p, p + count);
    }
    void SetPixel(int px, int py, Colour c) override { Record(OpKind::kPixel, px, py).colour = c; }
    unsigned TextAlign() const override { return align; }
    void SetTextAlign(unsigned a) override {
        align = a;
        Record(OpKind::kSetAlign);
    }
    Colour BackgroundColour() const override { return background; }
    void SetBackgroundColour(Colour c) override {
        background = c;
        Record(OpKind::kSetBackground);
    }
    Colour TextColour() const override { return textColour; }
    void SetTextColour(Colour c) override {
        textColour = c;
        Record(OpKind::kSetTextColour);
    }
    void TextOut(int tx, int ty, const char* text) override { Record(OpKind::kText, tx, ty).text = text; }
    int AverageCharWidth() override { return averageCharWidth; }

    // ---- queries -------------------------------------------------------------------------
    std::vector<DrawOp> Of(OpKind kind) const {
        std::vector<DrawOp> found;
        for (const DrawOp& op : ops)
            if (op.kind == kind) found.push_back(op);
        return found;
    }
    // Lines drawn in a pen.
    std::vector<DrawOp> LinesIn(int penIndex) const {
        std::vector<DrawOp> found;
        for (const DrawOp& op : ops)
            if (op.kind == OpKind::kLine && op.pen == penIndex) found.push_back(op);
        return found;
    }
    bool HasLine(int fx, int fy, int tx, int ty) const { return FindLine(fx, fy, tx, ty) != nullptr; }
    const DrawOp* FindLine(int fx, int fy, int tx, int ty) const {
        for (const DrawOp& op : ops)
            if (op.kind == OpKind::kLine && op.x1 == fx && op.y1 == fy && op.x2 == tx && op.y2 == ty)
                return &op;
        return nullptr;
    }
    // The first text drawn with exactly this content, or null.
    const DrawOp* FindText(std::string_view text) const {
        for (const DrawOp& op : ops)
            if (op.kind == OpKind::kText && op.text == text) return &op;
        return nullptr;
    }
    bool HasText(std::string_view text) const { return FindText(text) != nullptr; }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const DrawOp& op : ops)
            if (op.kind == OpKind::kText) texts.push_back(op.text);
        return texts;
    }
    void Clear() { ops.clear(); }

private:
    DrawOp& Record(OpKind kind, int x1 = 0, int y1 = 0, int x2 = 0, int y2 = 0) {
        DrawOp op;
        op.kind = kind;
        op.x1 = x1;
        op.y1 = y1;
        op.x2 = x2;
        op.y2 = y2;
        op.pen = pen;
        op.brush = brush;
        op.font = font;
        op.align = align;
        op.background = background;
        op.textColour = textColour;
        ops.push_back(std::move(op));
        return ops.back();
    }
};
