// The statistics views in the lower panel: the power (kind 0) or work (kind 1) percentages of the
// active cut's held cycles as a bar chart, with its limit line, the "Parts" count and the file name.
#pragma once

#include "model/model.h"
#include "view/canvas.h"
#include "view/palette.h"

// How many held entries one bar shows and how wide it is.
struct BarScale {
    int width;  // 8, 4, 2 or 1 pixels
    int entriesPerBar;
    bool operator==(const BarScale&) const = default;
};
BarScale BarScaleFor(int heldEntries);

// Where a target's chart stands between drawings: the bar scale it was last drawn in (at first
// 8 pixels with one entry per bar). Each target has its own: the screen's is the monitor record's,
// a printed page makes one, so printing never changes what the screen's next tick compares with.
struct StatisticsCursor {
    BarScale lastScale{8, 1};
};

// Title, axes, scale, "Parts" count and file name; the panel line on the screen only.
void DrawStatisticsFrame(Canvas& canvas, const UnitModel& model, const CutStatistics& statistics,
                         StatisticsKind kind, Target target, const char* fileName);
// The bars and the limit lines; the cursor remembers the bar scale they were drawn in.
void DrawStatisticsBars(Canvas& canvas, const UnitModel& model, const CutStatistics& statistics,
                        StatisticsKind kind, StatisticsCursor& cursor);
// Whether the active cut's chart would now be drawn in another scale than the one the cursor's
// target last drew (its panel must then be repainted on a clean background).
[[nodiscard]] bool StatisticsRescaled(const UnitModel& model, const CutStatistics& statistics,
                                      const StatisticsCursor& cursor);

// The chart's parts the forecast view shares: the height of a percentage (1 pixel per percent
// in the 640x480 layout, 2 in the 800x600 layout), the axes, and the scale with its unit label.
int StatisticsY(const Layout& layout, int value);
// The lower panel's top line (on screen) and its heading, centred on it.
void DrawPanelHeading(Canvas& canvas, Target target, const char* heading);
void DrawStatisticsAxes(Canvas& canvas);
void DrawStatisticsScale(Canvas& canvas, const char* unit);
