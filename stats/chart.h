// The chart of a cut: peak and work over its cycles with the Break, Blunt and Missing lines,
// laid out once and written as SVG text or as a PNG picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stats/analysis.h"
#include "stats/sources.h"

namespace kvdstat {

using Rgb24 = uint32_t;  // 0xRRGGBB

struct ChartStroke {
    Rgb24 colour;
    std::vector<std::pair<int, int>> points;  // a polyline in pixels, y downwards
};
struct ChartLabel {
    int x, y;  // top left, or top right when rightAligned
    bool rightAligned;
    Rgb24 colour;
    std::string text;
};
struct Chart {
    int width, height;
    std::vector<ChartStroke> strokes;
    std::vector<ChartLabel> labels;
};

// Long histories are drawn as the band between the lowest and highest value of the cycles that
// share a pixel column. Limits at 0 (Off) draw no line.
Chart LayoutChart(const CutSeries& s, int cut, const Limits& limits, int width, int height);

std::string ChartSvg(const Chart& chart);
// 0 on success, else a message in error.
[[nodiscard]] bool WriteChartPng(const Chart& chart, const std::string& path, std::string& error);

// The chart's pixels as 8-bit RGB rows (what the PNG holds).
std::vector<uint8_t> RenderChart(const Chart& chart);

}  // namespace kvdstat
