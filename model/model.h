// The data the monitor keeps about the unit: parameter mirror, running cycle, live curve,
// statistics block, counters, alarm and connection state. The monitor record owns one of each,
// allocated once with it, and hands them to whatever works on them.
//
// Threads: the serial reader thread (interpreter) is the single writer of the cycle state, the
// curve, the counters, the alarm state, the statistics entries and the parameter mirror; the UI
// thread reads them while painting. Fields read by another thread than their writer are accessed
// with Load()/Store() (relaxed atomics over the plain field, so the byte layout stays as it is).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "model/change_bits.h"
#include "model/cut.h"
#include "model/settings.h"

// ---- relaxed single-field access for fields shared between threads -------------------------
template <class T>
inline T Load(const T& field) {
    return std::atomic_ref<T>(const_cast<T&>(field)).load(std::memory_order_relaxed);
}
template <class T, class V>
inline void Store(T& field, V value) {
    std::atomic_ref<T>(field).store(static_cast<T>(value), std::memory_order_relaxed);
}

// ---- parameters ---------------------------------------------------------------------------
// 18 unsigned 16-bit words per cut, in this order (the word order of the unit's records).
struct CutParameters {
    uint16_t breakLimit;       // 0  % above Po; 0 = Off
    uint16_t bluntLimit;       // 1  % above Po; 0..4 = Off
    uint16_t missingLimit;     // 2  % above Po
    uint16_t breakDelay;       // 3  0.1 s
    uint16_t bluntDelay;       // 4  0.1 s
    uint16_t missingDelay;     // 5  0.1 s
    uint16_t bluntMode;        // 6  0 Power, 1 Work
    uint16_t bluntAlarmMode;   // 7  0 End, 1 Immediately
    uint16_t bluntCount;       // 8
    uint16_t missingCount;     // 9
    uint16_t tw;               // 10 0.1 s; 0 = Off
    uint16_t ts;               // 11 0.1 s
    uint16_t ta;               // 12 0.1 s; 0 = Off
    uint16_t taOnBlunt;        // 13 0 No, 1 Yes
    uint16_t workDivisor;      // 14 divisor is 2^(n+1)
    uint16_t p1Max;            // 15 %
    uint16_t p1Min;            // 16 %
    uint16_t cyclesPerScreen;  // 17 0 acts as 1
};
static_assert(sizeof(CutParameters) == 36);
constexpr int kCutWordCount = 18;

// Seven words common to all cuts.
struct CommonParameters {
    uint16_t average;        // 0
    uint16_t poSamples;      // 1
    uint16_t unitId;         // 2
    uint16_t debounce;       // 3 stored 0..8, shown as value + 1
    uint16_t rangeDecimals;  // 4 0: value/100, 1: value/10, 2: whole
    uint16_t rangeValue;     // 5
    uint16_t unitOptions;    // 6 reported only
};
static_assert(sizeof(CommonParameters) == 14);
constexpr int kCommonWordCount = 7;

// Word access by index, for the parameter reports and the file formats.
uint16_t& CutWord(CutParameters& p, int word);
uint16_t CutWordValue(const CutParameters& p, int word);
uint16_t& CommonWord(CommonParameters& p, int word);
uint16_t CommonWordValue(const CommonParameters& p, int word);

// Staging copy of a parameter-set file: 16 cut records, then common words 0..5.
struct LoadedParameterSet {
    CutParameters cuts[kCutCount];
    uint16_t average, poSamples, unitId, debounce, rangeDecimals, rangeValue;
};
static_assert(sizeof(LoadedParameterSet) == 16 * 36 + 12);

// ---- running cycle and live curve -----------------------------------------------------------
enum CycleStateCode : int32_t {
    kStateIdle = 0,
    kStateRunning = 200,
    kStatePoMeasurement = 201,
    kStateCutAnnounced = 207,
};

struct CycleStateRecord {
    int32_t CycleState;  // 0, 207, 201 or 200
    uint16_t po;         // baseline power of the running cycle
    int32_t poPoints;
    uint32_t workSum;
    int32_t peak;           // never below 0
    int32_t lastSample;     // 0..105, any state
    int32_t alarmsOfCycle;  // alarm messages since the last cycle end (AlarmBits values and
                            // kCycleError1); reader thread only, for the cycle journal
    int32_t cutAnnounced;   // 1 from a cut start seen on this link to its cycle end: only such a
                            // cycle is stored; reader thread (the UI thread before it starts)
};

struct CurvePoint {
    int32_t value;  // averaged sample 0..105
    int32_t state;  // CycleState when the point completed
    int32_t po;     // po at that moment
    int32_t slot;   // CycleSlot at that moment
};
static_assert(sizeof(CurvePoint) == 16);

constexpr int kCurvePoints = 600;
constexpr int kCompressAt = 599;
constexpr int kCycleSlots = 8;

struct LiveCurve {
    CurvePoint points[kCurvePoints];
    int32_t pointCount;  // 0..599
    int32_t CycleSlot;   // -1 before the first cut start, then 0..cyclesPerScreen-1
    int32_t CycleStart[kCycleSlots];
    int32_t samplesPerPoint;
    int32_t sampleSum;
    int32_t sampleCount;
    uint16_t taWindowEnd;  // points from the cycle's start
    uint16_t twWindowEnd;
    uint8_t compressing;  // 1 while the curve is being halved
};

// ---- statistics block: the exact 1,600,096-byte image of a statistics file -----------------
constexpr int kStatisticsEntries = 50000;

struct StatisticsEntry {
    uint8_t peak;  // % 0..105
    uint8_t work;  // % 0..100
};
static_assert(sizeof(StatisticsEntry) == 2);

struct CutStatistics {
    uint16_t reserved[kCutCount];  // carried through loads and saves unchanged
    uint16_t writeIndex[kCutCount];
    uint16_t wrapMarker[kCutCount];
    StatisticsEntry entries[kCutCount][kStatisticsEntries];
};
constexpr std::size_t kStatisticsBlockSize = 1600096;
static_assert(sizeof(CutStatistics) == kStatisticsBlockSize);
static_assert(offsetof(CutStatistics, writeIndex) == 32);
static_assert(offsetof(CutStatistics, wrapMarker) == 64);
static_assert(offsetof(CutStatistics, entries) == 96);

// ---- counters, alarms, connection ----------------------------------------------------------
constexpr int32_t kAlarmBreak = 1;
constexpr int32_t kAlarmBlunt = 2;
constexpr int32_t kAlarmMissing = 4;
constexpr int32_t kCycleError1 = 8;  // in alarmsOfCycle only: the unit's error 1

struct AlarmState {
    int32_t BluntCounter[kCutCount];
    int32_t MissingCounter[kCutCount];
    int32_t AlarmBits;
    uint16_t Err1Flag;
    int32_t RelaysDisabledTicks;
};

struct ConnectionState {
    int32_t NotConnected;  // 1 while the last 10 ticks brought no valid frame
    int32_t SilenceTicks;  // 0..10
};

// ---- the unit's model ----------------------------------------------------------------------
struct UnitModel {
    CutParameters cutParameters[kCutCount];
    CommonParameters common;
    int32_t ActiveCut;
    int32_t LastAnnouncedCut;
    CutParameters activeCutParameters;  // mirror of the active cut's record
    CycleStateRecord cycle;
    LiveCurve curve;
    AlarmState alarms;
    ConnectionState connection;
    LoadedParameterSet loadedParameterSet;
    ChangeBits changes;  // what the writers changed since the tick last looked
};

// The statistics block (1.6 MB, never on a stack, never copied) has a lock beside it in its owner:
// held by the reader thread around append-and-save, and by the UI thread around statistics load
// and reset, so that neither sees the other half done. Readers that only draw do not take it.

// The defaults written at start (and the initial content of the active-cut mirror).
CutParameters DefaultCutParameters();
// Common defaults; unitOptions is left as it is.
void WriteDefaultCommonParameters(CommonParameters& common);
// Start-up step: every cut's record and the common words to their defaults.
void WriteParameterDefaults(UnitModel& model);

// Start values of everything in the model (statistics block zeroed too).
void ResetModel(UnitModel& model, CutStatistics& statistics);
// The same without touching the 1.6 MB statistics block.
void ResetUnitModel(UnitModel& model);

// ---- statistics rules ----------------------------------------------------------------------
// Writer rule: store the entry at writeIndex of the cut, then advance writeIndex/wrapMarker.
void AppendStatisticsEntry(CutStatistics& s, int cut, StatisticsEntry e);
// Reader rule: number of held entries of a cut (the "Parts" count).
int HeldEntries(uint16_t writeIndex, uint16_t wrapMarker);
int HeldEntries(const CutStatistics& s, int cut);
// Reset of one cut: indexes to 0, entries kept.
void ResetCutStatistics(CutStatistics& s, int cut);

// Work percentage of a cycle: workSum / 2^(workDivisor+1), capped at 100.
uint8_t WorkPercent(uint32_t workSum, uint16_t workDivisor);
// 2 to the power n as an unsigned 32-bit value.
uint32_t PowerOfTwo(uint16_t n);
