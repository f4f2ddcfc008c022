// The wear forecast of every cut, kept up to date cycle by cycle: the last window of peaks and
// work values of each cut with their running sums, so that a cycle end costs constant time; the
// start (program start, a statistics load or reset) reads the stored statistics of each cut.
//
// Threads: the UI thread alone builds and follows a TrendBook. It reads the statistics block as
// the views do, without the statistics lock: the writer publishes a cut's write index after the
// entry (model.h, AppendStatisticsEntry), so an entry below the index is complete.
#pragma once

#include <cstdint>

#include "model/model.h"
#include "trend/line_fit.h"

constexpr int kForecastWindowDefault = 50;  // cycles a fit takes
constexpr int kForecastWindowLargest = 400;
constexpr int kForecastWindowSmallest = 3;
constexpr int kForecastWarningCycles = 20;  // fewer cycles left than this: the status warning

// One series of a cut (its peaks or its work values).
struct SeriesTrend {
    WindowSums sums;      // over the last window
    int64_t risingSince;  // first cycle of the latest run of rising windows; -1: the last does not rise
};

struct CutTrend {
    StatisticsEntry recent[kForecastWindowLargest];  // cycle j at j % kForecastWindowLargest
    int64_t cycles;                                  // cycles followed; the next cycle's index
    SeriesTrend peak, work;
    uint16_t writeIndex;  // the statistics indexes last followed
    int32_t held;
};

struct TrendBook {
    int32_t window;  // cycles per fit, kForecastWindowSmallest .. kForecastWindowLargest
    CutTrend cuts[kCutCount];
    uint8_t ordered[kStatisticsEntries];  // scratch of a start: one series of a cut in cycle order
};

// Every cut from the stored statistics, with a window (clamped to the range above).
void StartTrends(TrendBook& book, const CutStatistics& s, int window);
// One cut from the stored statistics. A book never started (window 0) follows nothing and
// forecasts nothing.
void StartCutTrend(TrendBook& book, const CutStatistics& s, int cut);
// One finished cycle of a cut: constant time.
void AddCycle(CutTrend& t, int window, StatisticsEntry e);
// Takes in the entries the cut gained since it was last followed; starts the cut again from the
// statistics when its indexes moved otherwise (a reset, a load).
void FollowStatistics(TrendBook& book, const CutStatistics& s, int cut);

// What the forecast view draws and the status warning reads: a plain record.
struct CutForecast {
    int32_t cut;
    int32_t window;
    int32_t count;       // values below: min(cycles, window)
    bool enough;         // a full window: the fit and the forecasts are valid
    bool workMode;       // Blunt Mode Work: the values and the Blunt forecast are work values
    int64_t firstCycle;  // cycle index of values[0] (cycles count from 0 in a cut's history)
    uint8_t values[kForecastWindowLargest];  // the window's peaks (work values in work mode)
    LineFit shown;                           // the fit of the values
    LineFit peakFit;                         // the fit of the peaks (the Break forecast)
    int32_t bluntLimit;                      // in force; 0: Off
    int32_t breakLimit;
    LimitForecast blunt, brk;
    int64_t risingSince;  // cycle index; -1: no rise
};
// The forecast of a cut with its limits (the cut's parameter record).
CutForecast ForecastOf(const TrendBook& book, int cut, const CutParameters& limits);
// Cycles left until the nearer limit the forecast reaches (0 when the line is above one
// already); -1 when neither is in sight.
double CyclesLeft(const CutForecast& f);
// Whether fewer cycles than `level` are left.
bool ForecastWarns(const CutForecast& f, int level);
