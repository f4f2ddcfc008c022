#include "model/parameters.h"

#include <cstdio>

const BaseCode kBaseCodes[kBaseCodeCount] = {
    {256, 100, false, 0},    // 0  breakLimit
    {357, 25, false, 3},     // 1  breakDelay
    {383, 100, false, 1},    // 2  bluntLimit
    {484, 1, false, 13},     // 3  taOnBlunt
    {486, 1, false, 6},      // 4  bluntMode
    {488, 250, false, 4},    // 5  bluntDelay
    {739, 1, false, 7},      // 6  bluntAlarmMode
    {741, 8, false, 8},      // 7  bluntCount
    {750, 15, false, 14},    // 8  workDivisor
    {766, 100, false, 2},    // 9  missingLimit
    {867, 250, false, 5},    // 10 missingDelay
    {1118, 250, false, 10},  // 11 tw
    {1369, 8, false, 9},     // 12 missingCount
    {1378, 250, false, 11},  // 13 ts
    {1629, 250, false, 12},  // 14 ta
    {1880, 100, false, 15},  // 15 p1Max
    {1981, 90, false, 16},   // 16 p1Min
    {2072, 25, true, 0},     // 17 average
    {2098, 25, true, 1},     // 18 poSamples
    {2124, 8, false, 17},    // 19 cyclesPerScreen
    {2133, 255, true, 2},    // 20 unitId
    {2389, 8, true, 3},      // 21 debounce
    {2398, 2, true, 4},      // 22 rangeDecimals
    {2401, 999, true, 5},    // 23 rangeValue
    {3401, 15, true, 6},     // 24 unitOptions (reported only, never sent)
};

int FindBaseCode(uint16_t code) {
    // The largest base not above the code; the table is in ascending order and its ranges
    // follow one another without gaps, so only the ends need a check.
    for (int i = kBaseCodeCount - 1; i >= 0; --i) {
        if (code >= kBaseCodes[i].base) return code - kBaseCodes[i].base <= kBaseCodes[i].maxValue ? i : -1;
    }
    return -1;
}

namespace {
const char* const kNames[kBaseCodeCount] = {
    "breakLimit",
    "breakDelay",
    "bluntLimit",
    "taOnBlunt",
    "bluntMode",
    "bluntDelay",
    "bluntAlarmMode",
    "bluntCount",
    "workDivisor",
    "missingLimit",
    "missingDelay",
    "tw",
    "missingCount",
    "ts",
    "ta",
    "p1Max",
    "p1Min",
    "average",
    "poSamples",
    "cyclesPerScreen",
    "unitId",
    "debounce",
    "rangeDecimals",
    "rangeValue",
    "unitOptions",
};
}  // namespace

const char* ParameterName(int index) { return index >= 0 && index < kBaseCodeCount ? kNames[index] : "?"; }

void TenthsText(int tenths, char out[kNumberTextSize]) {
    std::snprintf(out, kNumberTextSize, "%d.%d", tenths / 10, tenths % 10);
}

void RangeText(int value, int decimals, char out[kNumberTextSize]) {
    if (decimals == 0)
        std::snprintf(out, kNumberTextSize, "%d.%02d", value / 100, value % 100);
    else if (decimals == 1)
        std::snprintf(out, kNumberTextSize, "%d.%d", value / 10, value % 10);
    else
        std::snprintf(out, kNumberTextSize, "%d", value);
}
