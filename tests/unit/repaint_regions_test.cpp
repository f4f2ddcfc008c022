#include <gtest/gtest.h>

#include <string>

#include "model/parameters.h"
#include "view/repaint_regions.h"

namespace {

// Regions as "CurveRect+erase LedRect", in region order.
std::string Text(const Repaints& r) {
    std::string out;
    for (int i = 0; i < kRegionCount; ++i) {
        if (!r.marked[i]) continue;
        if (!out.empty()) out += ' ';
        out += RegionName(static_cast<Region>(i));
        if (r.erase[i]) out += "+erase";
    }
    return out;
}

uint32_t Parameter(uint16_t base) { return 1u << FindBaseCode(base); }

struct Row {
    const char* what;
    Changes changes;
    Display display;
    bool rescaled;
    const char* regions;
};

constexpr Display kTable = Display::kParameterTable;
constexpr Display kPower = Display::kPowerStatistics;

const Row kRows[] = {
    {"nothing changed", {}, kTable, false, ""},
    {"new points", {kChangeCurvePoints, 0}, kTable, false, "NewPoints"},
    // A non-erasing and an erasing change of one region: one invalidation, erased.
    {"points and a restart", {kChangeCurvePoints | kChangeCurveRestart, 0}, kTable, false, "CurveRect+erase"},
    {"another cut",
     {kChangeCutAnnounced | kChangeCurveRestart, 0},
     kTable,
     false,
     "Whole+erase CurveRect+erase"},
    {"lamps", {kChangeAlarmLamps | kChangeErrorLampOn, 0}, kPower, false, "LedRect SignalLampRect NewPoints"},
    {"error lamp out", {kChangeErrorLampOff, 0}, kTable, false, "SignalLampRect+erase"},
    // Counters and the relays warning stand in the table's columns, whatever the panel shows.
    {"counters",
     {kChangeBluntCounter | kChangeMissingCounter, 0},
     kPower,
     false,
     "ParamColumn1Rect ParamColumn2Rect"},
    {"relays warning on and off", {kChangeRelaysDisabled, 0}, kTable, false, "ParamColumn3Rect"},
    {"relays warning gone", {kChangeRelaysEnabled, 0}, kTable, false, "ParamColumn3Rect+erase"},
    {"a cycle in the statistics", {kChangeStatistics, 0}, kPower, false, "PanelRect"},
    {"a cycle that rescales the chart", {kChangeStatistics, 0}, kPower, true, "PanelRect+erase"},
    {"rescaled while the table is shown", {kChangeStatistics, 0}, kTable, true, "PanelRect"},
    {"a cycle under the forecast: points and line move",
     {kChangeStatistics, 0},
     Display::kForecast,
     false,
     "PanelRect+erase"},
    // Parameters: where they show depends on the lower panel.
    {"break limit, table", {0, Parameter(256)}, kTable, false, "CurveRect+erase ParamColumn1Rect+erase"},
    {"break limit, chart", {0, Parameter(256)}, kPower, false, "PanelRect+erase CurveRect+erase"},
    {"ta, chart", {0, Parameter(1629)}, kPower, false, "CurveRect"},
    {"p1 max and unit id, table",
     {0, Parameter(1880) | Parameter(2133)},
     Display::kParameterTable,
     false,
     "CurveRect PowerScaleRect+erase ParamColumn2Rect+erase ParamColumn3Rect+erase"},
    {"missing limit, work chart", {0, Parameter(766)}, Display::kWorkStatistics, false, "CurveRect+erase"},
};

TEST(RepaintRegions, ChangesToRegions) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Text(RepaintsFor(row.changes, row.display, row.rescaled)), row.regions);
    }
}

}  // namespace
