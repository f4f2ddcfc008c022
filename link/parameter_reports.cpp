#include "link/parameter_reports.h"

#include "model/parameters.h"
#include "model/model.h"
#include "link/port_service.h"
#include "model/settings.h"
#include "model/window_service.h"

namespace {

constexpr uint16_t kBreakLimitBase = 256;

// What shows a parameter: a region that always shows it, the parameter column of the table
// (1..3, 0 none), and whether the statistics panel shows it while the table is not shown.
struct ShownIn {
    uint16_t base;
    bool curve;
    bool powerScale;
    int column;
    bool panelOutsideTable;
};

constexpr ShownIn kShownIn[kBaseCodeCount] = {
    // breakLimit: limit line of the curve and of the power chart (the chart would otherwise keep
    // the old line until the next erase of the panel)
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

void InvalidateWhereShown(uint16_t base) {
    for (const ShownIn& s : kShownIn) {
        if (s.base != base) continue;
        if (s.curve) Invalidate(Region::kCurve, true);
        if (s.powerScale) Invalidate(Region::kPowerScale, true);
        // DisplayMode belongs to the UI thread.
        if (CurrentDisplay() == Display::kParameterTable) {
            if (s.column >= 1 && s.column <= 3) Invalidate(kColumns[s.column - 1], true);
        } else if (s.panelOutsideTable) {
            Invalidate(Region::kPanel, true);
        }
        return;
    }
}

}  // namespace

void ApplyParameterReport(uint16_t report) {
    const int cut = report >> 12;
    const int index = FindBaseCode(static_cast<uint16_t>(report & 0x0FFF));
    if (index < 0) return;
    const BaseCode& code = kBaseCodes[index];
    const uint16_t value = static_cast<uint16_t>((report & 0x0FFF) - code.base);
    // Auto connect waits for this report, whatever it says.
    if (code.base == kBreakLimitBase) gPortService.setAnswer();

    if (code.common) {
        uint16_t& field = CommonWord(gModel.common, code.word);
        if (field == value) return;
        Store(field, value);
    } else {
        uint16_t& field = CutWord(gModel.cutParameters[cut], code.word);
        if (field == value) return;
        Store(field, value);
        // Another cut's value reaches the mirror at that cut's next start.
        if (cut != gModel.ActiveCut) return;
        Store(CutWord(gModel.activeCutParameters, code.word), value);
    }
    InvalidateWhereShown(code.base);
}
