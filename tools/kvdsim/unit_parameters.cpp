#include "unit_parameters.h"

namespace kvdsim {

// Table index order: the order of the monitor's base-code table.
const ParameterInfo kParameters[kParameterCount] = {
    {"breakLimit", 256, 100, false, 0},     {"breakDelay", 357, 25, false, 3},
    {"bluntLimit", 383, 100, false, 1},     {"taOnBlunt", 484, 1, false, 13},
    {"bluntMode", 486, 1, false, 6},        {"bluntDelay", 488, 250, false, 4},
    {"bluntAlarmMode", 739, 1, false, 7},   {"bluntCount", 741, 8, false, 8},
    {"workDivisor", 750, 15, false, 14},    {"missingLimit", 766, 100, false, 2},
    {"missingDelay", 867, 250, false, 5},   {"tw", 1118, 250, false, 10},
    {"missingCount", 1369, 8, false, 9},    {"ts", 1378, 250, false, 11},
    {"ta", 1629, 250, false, 12},           {"p1Max", 1880, 100, false, 15},
    {"p1Min", 1981, 90, false, 16},         {"average", 2072, 25, true, 0},
    {"poSamples", 2098, 25, true, 1},       {"cyclesPerScreen", 2124, 8, false, 17},
    {"unitId", 2133, 255, true, 2},         {"debounce", 2389, 8, true, 3},
    {"rangeDecimals", 2398, 2, true, 4},    {"rangeValue", 2401, 999, true, 5},
    {"unitOptions", 3401, 15, true, 6},
};

namespace {
int FindParameter(bool common, int word) {
    for (int i = 0; i < kParameterCount; ++i)
        if (kParameters[i].common == common && kParameters[i].word == word) return i;
    return -1;
}
}  // namespace

int CutWordParameter(int word) { return FindParameter(false, word); }
int CommonWordParameter(int word) { return FindParameter(true, word); }

UnitParameters DefaultUnitParameters() {
    UnitParameters p{};
    for (auto& cut : p.cuts) cut = DefaultCutParameters();
    WriteDefaultCommonParameters(p.common);
    p.common.unitOptions = 0;
    return p;
}

uint16_t ParameterValue(const UnitParameters& p, int cut, int parameter) {
    const ParameterInfo& info = kParameters[parameter];
    return info.common ? CommonWordValue(p.common, info.word)
                       : CutWordValue(p.cuts[cut], info.word);
}

void SetParameterValue(UnitParameters& p, int cut, int parameter, uint16_t value) {
    const ParameterInfo& info = kParameters[parameter];
    if (info.common)
        CommonWord(p.common, info.word) = value;
    else
        CutWord(p.cuts[cut], info.word) = value;
}

CommandWordFields SplitCommandWord(uint16_t word) {
    CommandWordFields f{word >> 12, static_cast<uint16_t>(word & 0x0FFF), -1, 0};
    if (f.code < kFirstParameterCode || f.code > kLastParameterCode) return f;
    for (int i = kParameterCount - 1; i >= 0; --i) {
        if (kParameters[i].base <= f.code) {
            const auto value = static_cast<uint16_t>(f.code - kParameters[i].base);
            if (value > kParameters[i].maxValue) break;  // beyond the range: no parameter
            f.parameter = i;
            f.value = value;
            break;
        }
    }
    return f;
}

uint16_t MakeCommandWord(int cut, int parameter, uint16_t value) {
    return static_cast<uint16_t>((cut << 12) | (kParameters[parameter].base + value));
}

uint16_t ReportWord(const UnitParameters& p, int cut, int parameter) {
    return MakeCommandWord(cut, parameter, ParameterValue(p, cut, parameter));
}

uint16_t ReportAt(const UnitParameters& p, int i) {
    constexpr int kCutReports = kCutCount * kCutWordCount;
    if (i < kCutReports) return ReportWord(p, i / kCutWordCount, CutWordParameter(i % kCutWordCount));
    return ReportWord(p, 0, CommonWordParameter(i - kCutReports));
}

std::vector<uint16_t> AllParameterReports(const UnitParameters& p) {
    std::vector<uint16_t> words;
    words.reserve(kAllReportCount);
    for (int i = 0; i < kAllReportCount; ++i) words.push_back(ReportAt(p, i));
    return words;
}

}  // namespace kvdsim
