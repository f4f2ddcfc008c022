// The base-code table: where each parameter's values start in the 12-bit code of a command word
// or a parameter report. A parameter's values run from its base to the next base minus one, so a
// value beyond maxValue would be read by the unit as another parameter.
#pragma once

#include <cstdint>

constexpr int kBaseCodeCount = 25;

struct BaseCode {
    uint16_t base;
    uint16_t maxValue;  // values 0..maxValue
    bool common;        // a CommonParameters word rather than a CutParameters word
    int8_t word;        // word index in CutParameters, or in CommonParameters when common
};

// Indexed by the parameter index (0 breakLimit .. 24 unitOptions), in ascending base order.
extern const BaseCode kBaseCodes[kBaseCodeCount];

// Parameter index of a 12-bit code (base + value), or -1 when the code belongs to no parameter
// (below 256 or above 3416).
int FindBaseCode(uint16_t code);
