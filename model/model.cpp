#include "model/model.h"

#include <cstring>

namespace {

constexpr uint16_t CutParameters::*kCutFields[kCutWordCount] = {
    &CutParameters::breakLimit,   &CutParameters::bluntLimit,
    &CutParameters::missingLimit, &CutParameters::breakDelay,
    &CutParameters::bluntDelay,   &CutParameters::missingDelay,
    &CutParameters::bluntMode,    &CutParameters::bluntAlarmMode,
    &CutParameters::bluntCount,   &CutParameters::missingCount,
    &CutParameters::tw,           &CutParameters::ts,
    &CutParameters::ta,           &CutParameters::taOnBlunt,
    &CutParameters::workDivisor,  &CutParameters::p1Max,
    &CutParameters::p1Min,        &CutParameters::cyclesPerScreen,
};

constexpr uint16_t CommonParameters::*kCommonFields[kCommonWordCount] = {
    &CommonParameters::average,     &CommonParameters::poSamples,     &CommonParameters::unitId,
    &CommonParameters::debounce,    &CommonParameters::rangeDecimals, &CommonParameters::rangeValue,
    &CommonParameters::unitOptions,
};

}  // namespace

uint16_t& CutWord(CutParameters& p, int word) { return p.*kCutFields[word]; }
uint16_t CutWordValue(const CutParameters& p, int word) { return Load(p.*kCutFields[word]); }
uint16_t& CommonWord(CommonParameters& p, int word) { return p.*kCommonFields[word]; }
uint16_t CommonWordValue(const CommonParameters& p, int word) { return Load(p.*kCommonFields[word]); }

CutParameters DefaultCutParameters() {
    CutParameters p{};
    p.breakLimit = 50;
    p.bluntLimit = 30;
    p.missingLimit = 10;
    p.breakDelay = 1;
    p.bluntDelay = 100;
    p.missingDelay = 50;
    p.bluntMode = 0;
    p.bluntAlarmMode = 0;
    p.bluntCount = 1;
    p.missingCount = 1;
    p.tw = 0;
    p.ts = 20;
    p.ta = 0;
    p.taOnBlunt = 1;
    p.workDivisor = 9;
    p.p1Max = 100;
    p.p1Min = 0;
    p.cyclesPerScreen = 1;
    return p;
}

void WriteDefaultCommonParameters(CommonParameters& common) {
    Store(common.average, 4);
    Store(common.poSamples, 4);
    Store(common.unitId, 0);
    Store(common.debounce, 1);
    Store(common.rangeDecimals, 0);
    Store(common.rangeValue, 0);
}

void WriteParameterDefaults(UnitModel& model) {
    const CutParameters d = DefaultCutParameters();
    for (auto& cut : model.cutParameters)
        for (int w = 0; w < kCutWordCount; ++w) Store(CutWord(cut, w), CutWordValue(d, w));
    WriteDefaultCommonParameters(model.common);
}

void ResetModel(UnitModel& model, CutStatistics& statistics) {
    std::memset(&statistics, 0, sizeof statistics);
    ResetUnitModel(model);
}

void ResetUnitModel(UnitModel& model) {
    std::memset(&model, 0, sizeof model);
    model.activeCutParameters = DefaultCutParameters();
    model.LastAnnouncedCut = 117;
    model.curve.CycleSlot = -1;
    model.curve.samplesPerPoint = 1;
    model.connection.NotConnected = 1;
}

void AppendStatisticsEntry(CutStatistics& s, int cut, StatisticsEntry e) {
    // A block loaded from a damaged file may hold indexes beyond the ring; never write outside it.
    uint16_t at = Load(s.writeIndex[cut]);
    if (at >= kStatisticsEntries) at = 0;
    Store(s.entries[cut][at].peak, e.peak);
    Store(s.entries[cut][at].work, e.work);
    uint16_t marker = Load(s.wrapMarker[cut]);
    if (marker != 0) {
        ++marker;
        if (marker >= kStatisticsEntries) marker = 0;  // also mends an out-of-ring marker
        Store(s.wrapMarker[cut], marker);
    }
    uint16_t next = static_cast<uint16_t>(at + 1);
    if (next >= kStatisticsEntries) {
        next = 0;
        Store(s.wrapMarker[cut], 1);
    }
    // Released after the entry: a reader that acquires the index finds the entry below it whole.
    std::atomic_ref<uint16_t>(s.writeIndex[cut]).store(next, std::memory_order_release);
}

int HeldEntries(uint16_t writeIndex, uint16_t wrapMarker) {
    if (wrapMarker < writeIndex) return writeIndex - wrapMarker;
    return wrapMarker != 0 ? kStatisticsEntries : 0;
}

int HeldEntries(const CutStatistics& s, int cut) {
    return HeldEntries(Load(s.writeIndex[cut]), Load(s.wrapMarker[cut]));
}

void ResetCutStatistics(CutStatistics& s, int cut) {
    Store(s.writeIndex[cut], 0);
    Store(s.wrapMarker[cut], 0);
}

uint32_t PowerOfTwo(uint16_t n) { return n < 32 ? (uint32_t{1} << n) : 0; }

uint8_t WorkPercent(uint32_t workSum, uint16_t workDivisor) {
    const uint32_t divisor = PowerOfTwo(static_cast<uint16_t>(workDivisor + 1));
    const uint32_t w = divisor != 0 ? workSum / divisor : 0;
    return static_cast<uint8_t>(w > 100 ? 100 : w);
}
