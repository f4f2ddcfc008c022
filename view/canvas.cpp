#include "view/canvas.h"

#include <cstdarg>
#include <cstdio>

#include "view/palette.h"

void Canvas::Lines(const CanvasLine* lines, int count) {
    for (int i = 0; i < count; ++i)
        DrawLine(*this, lines[i].from.x, lines[i].from.y, lines[i].to.x, lines[i].to.y);
}

void Canvas::DotRow(int left, int right, int y, int paletteIndex) {
    if (paletteIndex < 0 || paletteIndex >= kPaletteSize) return;
    for (int x = left; x < right; ++x) SetPixel(x, y, kPaletteColours[paletteIndex]);
}

void DrawLine(Canvas& canvas, int x1, int y1, int x2, int y2) {
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
}

void DrawFormatted(Canvas& canvas, int x, int y, const char* format, ...) {
    char text[128];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    canvas.TextOut(x, y, text);
}
