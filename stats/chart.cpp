#include "stats/chart.h"

#include <algorithm>
#include <cstdio>

#include "stats/report.h"
#include "view/raster_canvas.h"
#include "view/raster_font.h"

namespace kvdstat {

namespace {

constexpr Rgb24 kPeakColour = 0x0000FF, kWorkColour = 0xE08A00, kBreakColour = 0xFF0000,
                kBluntColour = 0xFF00FF, kMissingColour = 0x009900, kAxisColour = 0x000000,
                kGridColour = 0xDDDDDD, kBackground = 0xFFFFFF;
constexpr int kLeft = 44, kRight = 16, kTop = 34, kBottom = 40;
constexpr int kTopValue = 110;  // % at the top of the plot (samples reach 105)

Colour ToCanvas(Rgb24 c) { return Rgb((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

void Line(RasterCanvas& canvas, int x0, int y0, int x1, int y1, Colour colour) {
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        canvas.SetPixel(x0, y0, colour);
        if (x0 == x1 && y0 == y1) return;
        const int e2 = 2 * err;
        if (e2 >= dy) err += dy, x0 += sx;
        if (e2 <= dx) err += dx, y0 += sy;
    }
}

// The series drawn as a polyline, or as a min..max band per pixel column for long histories.
ChartStroke Series(const std::vector<uint8_t>& v, Rgb24 colour, int left, int width, auto yOf) {
    ChartStroke s{colour, {}};
    const std::size_t n = v.size();
    if (n == 0) return s;
    if (n <= static_cast<std::size_t>(width)) {
        for (std::size_t i = 0; i < n; ++i) {
            const int x =
                left + (n == 1 ? 0 : static_cast<int>(i * static_cast<std::size_t>(width - 1) / (n - 1)));
            s.points.push_back({x, yOf(v[i])});
        }
        return s;
    }
    for (int col = 0; col < width; ++col) {
        const std::size_t from = static_cast<std::size_t>(col) * n / static_cast<std::size_t>(width);
        const std::size_t to = static_cast<std::size_t>(col + 1) * n / static_cast<std::size_t>(width);
        const auto [lo, hi] =
            std::minmax_element(v.begin() + static_cast<long>(from), v.begin() + static_cast<long>(to));
        s.points.push_back({left + col, yOf(*lo)});
        s.points.push_back({left + col, yOf(*hi)});
    }
    return s;
}

}  // namespace

Chart LayoutChart(const CutSeries& s, int cut, const Limits& limits, int width, int height) {
    Chart c{std::max(width, 240), std::max(height, 160), {}, {}};
    const int pw = c.width - kLeft - kRight, ph = c.height - kTop - kBottom;
    const int bottom = kTop + ph - 1;
    const auto yOf = [&](int value) { return bottom - value * (ph - 1) / kTopValue; };

    for (int v = 0; v <= 100; v += 25) {
        c.strokes.push_back(
            {v == 0 ? kAxisColour : kGridColour, {{kLeft, yOf(v)}, {kLeft + pw - 1, yOf(v)}}});
        c.labels.push_back(
            {kLeft - 6, yOf(v) - kRasterGlyphHeight / 2, true, kAxisColour, std::to_string(v)});
    }
    c.strokes.push_back({kAxisColour, {{kLeft, kTop}, {kLeft, bottom}}});
    c.strokes.push_back(Series(s.work, kWorkColour, kLeft, pw, yOf));
    c.strokes.push_back(Series(s.peak, kPeakColour, kLeft, pw, yOf));

    struct LimitLine {
        int value;
        Rgb24 colour;
        const char* name;
    };
    // A limit that is Off draws no line (value 0).
    const auto on = [](Parameter p, int v) { return IsOff(p, v) ? 0 : v; };
    const LimitLine lines[3] = {
        {on(Parameter::kBreakLimit, limits.breakLimit), kBreakColour, "Break"},
        {on(Parameter::kBluntLimit, limits.bluntLimit), kBluntColour, "Blunt"},
        {on(Parameter::kMissingLimit, limits.missingLimit), kMissingColour, "Missing"}};
    int legendX = kLeft;
    char title[96];
    std::snprintf(title, sizeof title, "Cut %d, %zu cycles:", cut + 1, s.Size());
    const auto legend = [&](Rgb24 colour, const std::string& text) {
        c.labels.push_back({legendX, 8, false, colour, text});
        legendX += static_cast<int>(text.size() + 1) * kRasterGlyphWidth;
    };
    legend(kAxisColour, title);
    legend(kPeakColour, "peak");
    legend(kWorkColour, "work");
    for (const LimitLine& l : lines) {
        if (l.value <= 0) continue;
        const int y = yOf(std::min(l.value, kTopValue));
        c.strokes.push_back({l.colour, {{kLeft, y}, {kLeft + pw - 1, y}}});
        std::string name = std::string(l.name) + " " + std::to_string(l.value);
        if (l.colour == kBluntColour) name += limits.bluntMode == kBluntModePower ? " (power)" : " (work)";
        legend(l.colour, name);
    }
    legend(kAxisColour, "%");

    if (s.Size() > 0) {
        const int y = bottom + 8;
        c.labels.push_back({kLeft, y, false, kAxisColour, CycleLabel(s, 0)});
        c.labels.push_back({kLeft + pw - 1, y, true, kAxisColour, CycleLabel(s, s.Size() - 1)});
        c.labels.push_back({kLeft + pw / 2 - 6 * kRasterGlyphWidth, y + kRasterGlyphHeight + 2, false,
                            kAxisColour, s.Timed() ? "cycle end time" : "cycles, oldest first"});
    }
    return c;
}

std::string ChartSvg(const Chart& chart) {
    std::string out;
    char b[160];
    std::snprintf(
        b, sizeof b,
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\">\n"
        "<rect width=\"100%%\" height=\"100%%\" fill=\"#ffffff\"/>\n",
        chart.width, chart.height, chart.width, chart.height);
    out += b;
    for (const ChartStroke& s : chart.strokes) {
        if (s.points.empty()) continue;
        std::snprintf(b, sizeof b, "<polyline fill=\"none\" stroke=\"#%06x\" stroke-width=\"1\" points=\"",
                      s.colour);
        out += b;
        for (const auto& [x, y] : s.points) {
            std::snprintf(b, sizeof b, "%d.5,%d.5 ", x, y);
            out += b;
        }
        out += "\"/>\n";
    }
    for (const ChartLabel& l : chart.labels) {
        std::snprintf(b, sizeof b,
                      "<text x=\"%d\" y=\"%d\" fill=\"#%06x\" font-family=\"monospace\" font-size=\"13\"%s>",
                      l.x, l.y + 11, l.colour, l.rightAligned ? " text-anchor=\"end\"" : "");
        out += b;
        for (const char ch : l.text) {
            if (ch == '<')
                out += "&lt;";
            else if (ch == '&')
                out += "&amp;";
            else
                out += ch;
        }
        out += "</text>\n";
    }
    out += "</svg>\n";
    return out;
}

std::vector<uint8_t> RenderChart(const Chart& chart) {
    RasterCanvas canvas(chart.width, chart.height, ToCanvas(kBackground));
    for (const ChartStroke& s : chart.strokes) {
        for (std::size_t i = 0; i < s.points.size(); ++i) {
            const auto [x, y] = s.points[i];
            const auto [px, py] = i == 0 ? s.points[i] : s.points[i - 1];
            Line(canvas, px, py, x, y, ToCanvas(s.colour));
        }
    }
    canvas.SetBackgroundColour(ToCanvas(kBackground));
    for (const ChartLabel& l : chart.labels) {
        canvas.SetTextColour(ToCanvas(l.colour));
        canvas.SetTextAlign((l.rightAligned ? kAlignRight : kAlignLeft) | kAlignTop);
        canvas.TextOut(l.x, l.y, l.text.c_str());
    }
    std::vector<uint8_t> rgb(static_cast<std::size_t>(chart.width) * static_cast<std::size_t>(chart.height) *
                             3);
    std::size_t at = 0;
    for (int y = 0; y < chart.height; ++y) {
        for (int x = 0; x < chart.width; ++x) {
            const Colour p = canvas.At(x, y);
            rgb[at++] = static_cast<uint8_t>(RedOf(p));
            rgb[at++] = static_cast<uint8_t>(GreenOf(p));
            rgb[at++] = static_cast<uint8_t>(BlueOf(p));
        }
    }
    return rgb;
}

}  // namespace kvdstat
