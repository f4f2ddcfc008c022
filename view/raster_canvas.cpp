#include "view/raster_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/file_io.h"
#include "view/palette.h"
#include "view/raster_font.h"

namespace {

Colour PaletteColour(int index, Colour surface) {
    return index >= 0 && index < kPaletteSize ? kPaletteColours[index] : surface;
}

// Whether the centre of pixel (x, y) lies inside the ellipse of the box [l, r) x [t, b).
bool InsideEllipse(int x, int y, int l, int t, int r, int b) {
    const double cx = (l + r) / 2.0, cy = (t + b) / 2.0, rx = (r - l) / 2.0, ry = (b - t) / 2.0;
    if (rx <= 0 || ry <= 0) return false;
    const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
}

// GDI accepts the corners of a box in any order (a bar drawn up from its baseline).
void Normalise(int& left, int& top, int& right, int& bottom) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
}

}  // namespace

RasterCanvas::RasterCanvas(int width, int height, Colour fill)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), fill) {}

Colour RasterCanvas::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

void RasterCanvas::SetPixel(int x, int y, Colour colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<size_t>(y) * width_ + x] = colour;
}

Colour RasterCanvas::PenColour() const { return PaletteColour(pen_, Rgb(0, 0, 0)); }
Colour RasterCanvas::BrushColour() const { return PaletteColour(brush_, Rgb(255, 255, 255)); }
int RasterCanvas::FontScale() const { return font_ == CanvasFont::kNumber ? 2 : 1; }

void RasterCanvas::Line(int x1, int y1, int x2, int y2, Colour colour) {
    // Bresenham, stopping before the end point.
    const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int error = dx + dy;
    while (x1 != x2 || y1 != y2) {
        SetPixel(x1, y1, colour);
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x1 += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y1 += sy;
        }
    }
}

void RasterCanvas::MoveTo(int x, int y) {
    x_ = x;
    y_ = y;
}

void RasterCanvas::LineTo(int x, int y) {
    Line(x_, y_, x, y, PenColour());
    MoveTo(x, y);
}

void RasterCanvas::Rectangle(int left, int top, int right, int bottom) {
    Normalise(left, top, right, bottom);
    const Colour pen = PenColour(), brush = BrushColour();
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const bool edge = x == left || x == right - 1 || y == top || y == bottom - 1;
            SetPixel(x, y, edge ? pen : brush);
        }
}

void RasterCanvas::Ellipse(int left, int top, int right, int bottom) {
    Normalise(left, top, right, bottom);
    const Colour pen = PenColour(), brush = BrushColour();
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            if (!InsideEllipse(x, y, left, top, right, bottom)) continue;
            const bool edge = !InsideEllipse(x - 1, y, left, top, right, bottom) ||
                              !InsideEllipse(x + 1, y, left, top, right, bottom) ||
                              !InsideEllipse(x, y - 1, left, top, right, bottom) ||
                              !InsideEllipse(x, y + 1, left, top, right, bottom);
            SetPixel(x, y, edge ? pen : brush);
        }
}

void RasterCanvas::Polygon(const CanvasPoint* points, int count) {
    if (count < 1 || count > kMaxPolygonPoints) return;
    int top = points[0].y, bottom = points[0].y;
    for (int i = 1; i < count; ++i) {
        top = std::min(top, points[i].y);
        bottom = std::max(bottom, points[i].y);
    }
    // Fill: for each row, the crossings of the edges with the row's pixel centres, in pairs.
    const Colour brush = BrushColour();
    for (int y = top; y < bottom; ++y) {
        const double cy = y + 0.5;
        double crossings[kMaxPolygonPoints];
        int n = 0;
        for (int i = 0; i < count; ++i) {
            const CanvasPoint a = points[i], b = points[(i + 1) % count];
            if ((a.y <= cy) == (b.y <= cy)) continue;
            crossings[n++] = a.x + (cy - a.y) * (b.x - a.x) / static_cast<double>(b.y - a.y);
        }
        std::sort(crossings, crossings + n);
        for (int k = 0; k + 1 < n; k += 2)
            for (int x = static_cast<int>(std::ceil(crossings[k] - 0.5)); x + 0.5 < crossings[k + 1]; ++x)
                SetPixel(x, y, brush);
    }
    const Colour pen = PenColour();
    for (int i = 0; i < count; ++i) {
        const CanvasPoint a = points[i], b = points[(i + 1) % count];
        Line(a.x, a.y, b.x, b.y, pen);
    }
}

int RasterCanvas::AverageCharWidth() { return kRasterGlyphWidth * FontScale(); }

void RasterCanvas::TextOut(int x, int y, const char* text) {
    const int scale = FontScale();
    const int width = static_cast<int>(std::strlen(text)) * kRasterGlyphWidth * scale;
    const int height = kRasterGlyphHeight * scale;
    const unsigned horizontal = align_ & kAlignCenter;
    if (horizontal == kAlignCenter)
        x -= width / 2;
    else if (horizontal == kAlignRight)
        x -= width;
    if ((align_ & kAlignBottom) == kAlignBottom) y -= height;
    for (int i = 0; text[i] != '\0'; ++i) {
        const uint8_t* rows = RasterGlyph(static_cast<unsigned char>(text[i]));
        const int cellX = x + i * kRasterGlyphWidth * scale;
        for (int py = 0; py < height; ++py)
            for (int px = 0; px < kRasterGlyphWidth * scale; ++px) {
                const bool ink = (rows[py / scale] & (0x80 >> (px / scale))) != 0;
                SetPixel(cellX + px, y + py, ink ? text_ : background_);
            }
    }
}

int32_t WritePixmap(const RasterCanvas& canvas, const char* path) {
    File file;
    int32_t result = file.Open(path, kFileWrite, FileDisposition::kCreateAlways);
    if (result != 0) return result;
    char header[32];
    const int headerLength =
        std::snprintf(header, sizeof header, "P6\n%d %d\n255\n", canvas.Width(), canvas.Height());
    result = WriteRecord(file, header, static_cast<uint32_t>(headerLength));
    std::vector<uint8_t> row(static_cast<size_t>(canvas.Width()) * 3);
    for (int y = 0; result == 0 && y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            const Colour c = canvas.At(x, y);
            row[3 * x] = static_cast<uint8_t>(RedOf(c));
            row[3 * x + 1] = static_cast<uint8_t>(GreenOf(c));
            row[3 * x + 2] = static_cast<uint8_t>(BlueOf(c));
        }
        result = WriteRecord(file, row.data(), static_cast<uint32_t>(row.size()));
    }
    const int32_t closed = file.Close();
    return result != 0 ? result : closed;
}
