// The forecast display of the lower panel: the active cut's last window of peaks (work values in
// work mode) as points, the fitted line drawn on to where it meets the limit lines, and in words
// the cycles left until each limit with their range and since when the values rise.
#pragma once

#include <cstddef>
#include <cstdint>

#include "trend/cut_trend.h"
#include "view/canvas.h"
#include "view/palette.h"

// The cycles the chart spans across its 600 pixels: the window, then the part ahead of it up to
// the farther limit the line reaches (at least one window, at most kForecastAheadWindows).
constexpr int kForecastAheadWindows = 5;
struct ForecastSpan {
    int64_t first;   // the window's first cycle, at the chart's left edge
    int64_t cycles;  // cycles across the chart
};
ForecastSpan ForecastSpanOf(const CutForecast& f);

// Title, panel line (screen only), axes, scale, limit lines, points, line and texts.
void DrawForecastView(Canvas& canvas, const CutForecast& f, Target target);

// The status area's short warning: "Change tool within N cycles" when fewer than `level` cycles
// are left to the nearer limit, "Blunt Limit: reached" (or Break) when the line is above one
// already; empty when neither.
void ForecastWarningText(const CutForecast& f, int level, char* out, std::size_t size);
