// The base codes of the unit's parameters. A CommandWord and a parameter report carry the cut in
// their top 4 bits and base + value in the low 12 bits; the table maps a code back to its
// parameter and bounds the value that may be sent. Shared by the interpreter and the upload.
#pragma once

#include <cstdint>

struct BaseCode {
    uint16_t base;      // lowest code of the parameter (value 0)
    uint16_t maxValue;  // highest value the unit accepts
    bool common;        // true: a CommonParameters word, the cut bits do not matter
    int8_t word;        // word index in CutParameters (0..17) or CommonParameters (0..6)
};

constexpr int kBaseCodeCount = 25;
// In ascending order of base. Each parameter's codes reach up to the next base code (the last
// one up to kHighestParameterCode), so base + maxValue + 1 is always the next base.
extern const BaseCode kBaseCodes[kBaseCodeCount];

constexpr uint16_t kLowestParameterCode = 256;
constexpr uint16_t kHighestParameterCode = 3416;

// Index of the parameter that a 12-bit code belongs to, or -1 when the code belongs to none
// (below 256, above 3416).
int FindBaseCode(uint16_t code);
