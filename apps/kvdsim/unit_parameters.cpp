#include "unit_parameters.h"

namespace kvdsim {

namespace {
int FindParameter(bool common, int word) {
    for (int i = 0; i < kParameterCount; ++i)
        if (kBaseCodes[i].common == common && kBaseCodes[i].word == word) return i;
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
    const BaseCode& info = kBaseCodes[parameter];
    return info.common ? CommonWordValue(p.common, info.word) : CutWordValue(p.cuts[cut], info.word);
}

void SetParameterValue(UnitParameters& p, int cut, int parameter, uint16_t value) {
    const BaseCode& info = kBaseCodes[parameter];
    if (info.common)
        CommonWord(p.common, info.word) = value;
    else
        CutWord(p.cuts[cut], info.word) = value;
}

CommandWordFields SplitCommandWord(uint16_t word) {
    CommandWordFields f{word >> 12, static_cast<uint16_t>(word & 0x0FFF), -1, 0};
    f.parameter = FindBaseCode(f.code);
    if (f.parameter >= 0) f.value = static_cast<uint16_t>(f.code - kBaseCodes[f.parameter].base);
    return f;
}

uint16_t MakeCommandWord(int cut, int parameter, uint16_t value) {
    return static_cast<uint16_t>((cut << 12) | (kBaseCodes[parameter].base + value));
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
