#include "view/canvas.h"

#include <cstdarg>
#include <cstdio>

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
