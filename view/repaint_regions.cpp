#include "view/repaint_regions.h"

#include "model/parameters.h"

namespace {

struct EventRepaint {
    uint32_t bit;
    Region region;
    bool erase;
};

constexpr EventRepaint kEventRepaints[] = {
    {kChangeCurvePoints, Region::kNewPoints, false},  // drawn over what is there
    {kChangeCurveRestart, Region::kCurve, true},
    {kChangeCutAnnounced, Region::kWholeWindow, true},
    {kChangeAlarmLamps, Region::kLed, false},
    {kChangeAlarmLamps, Region::kNewPoints, false},  // a lamp that stands over the curve
    {kChangeErrorLampOn, Region::kSignalLamp, false},
    {kChangeErrorLampOff, Region::kSignalLamp, true},  // an unlit lamp is background
    {kChangeBluntCounter, Region::kParamColumn1, false},
    {kChangeMissingCounter, Region::kParamColumn2, false},
    {kChangeRelaysDisabled, Region::kParamColumn3, false},
    {kChangeRelaysEnabled, Region::kParamColumn3, true},  // the warning text goes
    {kChangeStatistics, Region::kPanel, false},
};

// Where a parameter shows: a region that always shows it, its column of the parameter table
// (1..3), and whether the statistics panel shows it while the table is not shown. Every such
// repaint erases: the old value or limit line must go.
struct ShownIn {
    uint16_t base;
    bool curve;
    bool powerScale;
    int column;
    bool panelOutsideTable;
};

constexpr ShownIn kShownIn[kBaseCodeCount] = {
    // breakLimit: limit line of the curve and of the power chart
    {256, true, false, 1, true},    {357, false, false, 1, false},  // breakDelay
    {383, true, false, 1, true},     // bluntLimit: limit lines of curve and charts
    {484, false, false, 1, false},   // taOnBlunt
    {486, true, false, 1, true},     // bluntMode: which chart shows the blunt limit
    {488, false, false, 1, false},   // bluntDelay
    {739, false, false, 1, false},   // bluntAlarmMode
    {741, false, false, 1, false},   // bluntCount
    {750, false, false, 1, false},   // workDivisor
    {766, true, false, 2, false},    // missingLimit: limit line
    {867, false, false, 2, false},   // missingDelay
    {1118, false, false, 2, false},  // tw
    {1369, false, false, 2, false},  // missingCount
    {1378, false, false, 2, false},  // ts
    {1629, false, false, 2, false},  // ta
    {1880, false, true, 2, false},   // p1Max: beside the power bar
    {1981, false, true, 2, false},   // p1Min: beside the power bar
    {2072, false, false, 3, false},  // average
    {2098, false, false, 3, false},  // poSamples
    {2124, false, false, 2, false},  // cyclesPerScreen
    {2133, false, false, 3, false},  // unitId
    {2389, false, false, 3, false},  // debounce
    {2398, false, false, 3, false},  // rangeDecimals
    {2401, false, false, 3, false},  // rangeValue
    {3401, false, false, 3, false},  // unitOptions
};

constexpr Region kColumns[] = {Region::kParamColumn1, Region::kParamColumn2, Region::kParamColumn3};

void AddParameter(Repaints& out, uint16_t base, Display display) {
    for (const ShownIn& s : kShownIn) {
        if (s.base != base) continue;
        if (s.curve) out.Add(Region::kCurve, true);
        if (s.powerScale) out.Add(Region::kPowerScale, true);
        if (display == Display::kParameterTable) {
            if (s.column >= 1 && s.column <= 3) out.Add(kColumns[s.column - 1], true);
        } else if (s.panelOutsideTable) {
            out.Add(Region::kPanel, true);
        }
        return;
    }
}

}  // namespace

Repaints RepaintsFor(const Changes& changes, Display display, bool statisticsRescaled) {
    Repaints out;
    for (const EventRepaint& e : kEventRepaints)
        if ((changes.events & e.bit) != 0) out.Add(e.region, e.erase);
    // A chart of another bar width is drawn on a clean panel.
    if ((changes.events & kChangeStatistics) != 0 && statisticsRescaled &&
        display != Display::kParameterTable)
        out.Add(Region::kPanel, true);
    // The forecast's points and line move with every cycle: drawn on a clean panel.
    if ((changes.events & kChangeStatistics) != 0 && display == Display::kForecast)
        out.Add(Region::kPanel, true);
    // The curve's colours and its boxes follow the active cut's values: it is drawn again over
    // itself, as it was at the next tick before.
    if (changes.parameters != 0) out.Add(Region::kCurve, false);
    // A whole curve region covers its new points and marks.
    if (out.marked[static_cast<int>(Region::kCurve)] || out.marked[static_cast<int>(Region::kWholeWindow)])
        out.marked[static_cast<int>(Region::kNewPoints)] = false;
    for (int i = 0; i < kBaseCodeCount; ++i)
        if ((changes.parameters & (1u << i)) != 0) AddParameter(out, kBaseCodes[i].base, display);
    return out;
}
