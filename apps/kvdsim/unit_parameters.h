// The unit's own parameters (16 cut records and the common words) and the command-word layout
// they travel in: cut in bits 15..12, base code + value in bits 11..0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/parameters.h"
#include "model/model.h"

namespace kvdsim {

constexpr int kParameterCount = kBaseCodeCount;
constexpr uint16_t kFirstParameterCode = 256;

// ParameterName (model/parameters.h) names a parameter index in the log.

// The parameter index of a per-cut record word (0..17) and of a common word (0..6).
int CutWordParameter(int word);
int CommonWordParameter(int word);

struct UnitParameters {
    CutParameters cuts[kCutCount];
    CommonParameters common;
};

// What the unit holds when nothing was loaded: the data model's defaults, unitOptions 0.
UnitParameters DefaultUnitParameters();

uint16_t ParameterValue(const UnitParameters& p, int cut, int parameter);
void SetParameterValue(UnitParameters& p, int cut, int parameter, uint16_t value);

// A received command word taken apart. parameter is -1 when the code names no parameter (below
// the first base code or above the last parameter's range).
struct CommandWordFields {
    int cut;
    uint16_t code;
    int parameter;
    uint16_t value;
};
CommandWordFields SplitCommandWord(uint16_t word);

uint16_t MakeCommandWord(int cut, int parameter, uint16_t value);
// The report of the value the unit holds, in command-word layout.
uint16_t ReportWord(const UnitParameters& p, int cut, int parameter);

// Every parameter report the unit sends unprompted and on code 47: the 18 words of cuts 0..15,
// then the 7 common words with cut 0.
constexpr int kAllReportCount = kCutCount * kCutWordCount + kCommonWordCount;
std::vector<uint16_t> AllParameterReports(const UnitParameters& p);
// Report number i (0..kAllReportCount-1) of that sequence.
uint16_t ReportAt(const UnitParameters& p, int i);

}  // namespace kvdsim
