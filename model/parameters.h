// The unit's parameters by name: their indexes, where each one's values start in a 12-bit code
// (the base codes), the Blunt Mode values, which values switch a limit or a timer off, and the
// number forms that the table, the sheet, the printout and the export share. One home for these
// rules, so that "Off" means the same on the screen, in the sheet and in kvdstat.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kBaseCodeCount = 25;

// Parameter indexes, in ascending base-code order: what a command word, a parameter report and
// QueueParameter name a parameter by.
enum class Parameter : int8_t {
    kBreakLimit = 0,
    kBreakDelay = 1,
    kBluntLimit = 2,
    kTaOnBlunt = 3,
    kBluntMode = 4,
    kBluntDelay = 5,
    kBluntAlarmMode = 6,
    kBluntCount = 7,
    kWorkDivisor = 8,
    kMissingLimit = 9,
    kMissingDelay = 10,
    kTw = 11,
    kMissingCount = 12,
    kTs = 13,
    kTa = 14,
    kP1Max = 15,
    kP1Min = 16,
    kAverage = 17,
    kPoSamples = 18,
    kCyclesPerScreen = 19,
    kUnitId = 20,
    kDebounce = 21,
    kRangeDecimals = 22,
    kRangeValue = 23,
    kUnitOptions = 24,  // reported only, never sent
};
constexpr int8_t Index(Parameter p) { return static_cast<int8_t>(p); }

// The parameter's field name in the records ("breakLimit"), for logs and reports.
const char* ParameterName(int index);

struct BaseCode {
    uint16_t base;
    uint16_t maxValue;  // values 0..maxValue
    bool common;        // a CommonParameters word rather than a CutParameters word
    int8_t word;        // word index in CutParameters, or in CommonParameters when common
};

// Indexed by the parameter index. A parameter's values run from its base to the next base minus
// one, so a value beyond maxValue would be read by the unit as another parameter.
extern const BaseCode kBaseCodes[kBaseCodeCount];

// Parameter index of a 12-bit code (base + value), or -1 when the code belongs to no parameter
// (below 256 or above 3416).
int FindBaseCode(uint16_t code);

// What the Blunt limit is compared with (bluntMode).
constexpr uint16_t kBluntModePower = 0;  // each sample's power above Po
constexpr uint16_t kBluntModeWork = 1;   // the work of the cycle, in percent

// Limits up to 4 % are too close to Po to mean a tool: a Blunt limit that small is Off, the sheet
// turns a Break limit that small into 0, and the curve draws no Missing line for one.
constexpr int kSmallLimit = 4;

// Stored values 0..OffUpTo show "Off" and switch the limit or timer off; kNoOffRule: the value
// always counts as a number. Break limit 0, Blunt 0..4, Missing 0..2, Tw, Ts, Ta and Po samples 0.
constexpr int kNoOffRule = -1;
constexpr int OffUpTo(Parameter p) {
    switch (p) {
        case Parameter::kBluntLimit:
            return kSmallLimit;
        case Parameter::kMissingLimit:
            return 2;
        case Parameter::kBreakLimit:
        case Parameter::kTw:
        case Parameter::kTs:
        case Parameter::kTa:
        case Parameter::kPoSamples:
            return 0;
        default:
            return kNoOffRule;
    }
}
constexpr bool IsOff(Parameter p, int value) { return value <= OffUpTo(p); }

// Whether the curve draws a limit's line and dots: Break and Blunt while they are on, Missing only
// above the small limits (a Missing limit of 3 or 4 is on but drawn nowhere).
constexpr bool LimitLineDrawn(Parameter p, int value) {
    return p == Parameter::kMissingLimit ? value > kSmallLimit : !IsOff(p, value);
}

// Tenths of a second (delays, Tw, Ts, Ta) as "%d.%d": 25 is "2.5", 5 is "0.5", 250 "25.0".
constexpr std::size_t kNumberTextSize = 16;
void TenthsText(int tenths, char out[kNumberTextSize]);

// The kW range as its decimals say: rangeDecimals 0 "%d.%02d", 1 "%d.%d", else the whole number.
void RangeText(int value, int decimals, char out[kNumberTextSize]);
