#include "link/base_codes.h"

const BaseCode kBaseCodes[kBaseCodeCount] = {
    {256, 100, false, 0},    // breakLimit
    {357, 25, false, 3},     // breakDelay
    {383, 100, false, 1},    // bluntLimit
    {484, 1, false, 13},     // taOnBlunt
    {486, 1, false, 6},      // bluntMode
    {488, 250, false, 4},    // bluntDelay
    {739, 1, false, 7},      // bluntAlarmMode
    {741, 8, false, 8},      // bluntCount
    {750, 15, false, 14},    // workDivisor
    {766, 100, false, 2},    // missingLimit
    {867, 250, false, 5},    // missingDelay
    {1118, 250, false, 10},  // tw
    {1369, 8, false, 9},     // missingCount
    {1378, 250, false, 11},  // ts
    {1629, 250, false, 12},  // ta
    {1880, 100, false, 15},  // p1Max
    {1981, 90, false, 16},   // p1Min
    {2072, 25, true, 0},     // average
    {2098, 25, true, 1},     // poSamples
    {2124, 8, false, 17},    // cyclesPerScreen
    {2133, 255, true, 2},    // unitId
    {2389, 8, true, 3},      // debounce
    {2398, 2, true, 4},      // rangeDecimals
    {2401, 999, true, 5},    // rangeValue
    {3401, 15, true, 6},     // unitOptions
};

int FindBaseCode(uint16_t code) {
    if (code < kLowestParameterCode || code > kHighestParameterCode) return -1;
    int found = -1;
    for (int i = 0; i < kBaseCodeCount && kBaseCodes[i].base <= code; ++i) found = i;
    return found;
}
