// The numbers behind kvdstat's commands, as pure functions of a cut's history.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "stats/sources.h"
#include "trend/line_fit.h"

namespace kvdstat {

// ---- summary ------------------------------------------------------------------------------------
// Percentiles by the nearest rank: the smallest value with at least p % of the values at or below it.
struct Distribution {
    std::size_t count = 0;
    int min = 0, max = 0;
    double mean = 0;
    int p50 = 0, p90 = 0, p99 = 0;
};
Distribution Describe(const std::vector<uint8_t>& values);
// The p-th percentile (0 < p <= 100) by the nearest rank; 0 for no values.
int Percentile(const std::vector<uint8_t>& values, double p);

struct JournalSpan {
    int64_t firstMs = 0, lastMs = 0;
    double cyclesPerHour = 0;    // 0 when the span is shorter than a second
    std::size_t alarms[4] = {};  // cycles with a break, blunt, missing, err1 alarm
};
JournalSpan DescribeSpan(const CutSeries& s);

// What the summary needs of a cut, gathered without holding its cycles: the counts of each value
// of peak and work, the first and last cycle in time, the alarms. Equal times keep the order the
// cycles were read in (`order`: file, then line), as the sorted history does.
struct CutTally {
    std::size_t count = 0;
    std::size_t peakBins[256] = {}, workBins[256] = {};
    JournalTime first{}, last{};
    uint64_t firstOrder = 0, lastOrder = 0;
    std::size_t alarms[4] = {};
    void Add(const JournalRecord& r, uint64_t order);
    void Merge(const CutTally& other);
};
struct Tally {
    std::string name;
    bool journal = false;
    CutTally cuts[kCutCount];
};
Tally TallyOf(const Source& s);
Distribution Describe(const std::size_t (&bins)[256], std::size_t count);
JournalSpan DescribeSpan(const CutTally& t);

// ---- trend --------------------------------------------------------------------------------------
// The line fit and the limit forecast are the monitor's own (trend/line_fit.h).
using ::LineFit;
using Forecast = ::LimitForecast;
using ::ForecastLimit;
// The fit of y[first .. first+n-1], x counted from `first`.
LineFit FitWindow(const std::vector<uint8_t>& y, std::size_t first, std::size_t n);

struct Trend {
    std::size_t window = 0;
    LineFit peak, work;                // the latest window
    std::vector<LineFit> peakHistory;  // windows spread over the history, oldest first
    std::vector<LineFit> workHistory;
    // First cycle of the run of windows, up to the latest, whose peak drift is significantly
    // positive (more than two standard errors); -1 when the latest window's is not.
    long risingSince = -1;
};
// window: cycles per fit (at least 3); points: how many windows to report over the history.
Trend ComputeTrend(const CutSeries& s, std::size_t window, std::size_t points);

// ---- what-if ------------------------------------------------------------------------------------
struct Limits {
    int breakLimit = 50, bluntLimit = 30, missingLimit = 10, bluntMode = 0;
};
// Limits of the cut's last journal cycle, or the unit's defaults for a statistics file.
Limits CurrentLimits(const CutSeries& s);

enum AlarmKind { kBreak = 0, kBlunt = 1, kMissing = 2 };
const char* AlarmName(int kind);

// Whether a cycle with this peak and work crosses the limit of a kind.
bool Crosses(int kind, const Limits& l, int peak, int work);

struct WhatIfCycle {
    std::size_t index;
    bool unitAlarm;      // the unit raised this kind of alarm in the cycle (journal)
    std::string reason;  // why the unit raised none although the cycle crossed, or why it did
                         // although it did not
};
struct WhatIfKind {
    std::vector<WhatIfCycle> counted;    // cycles that cross the limit
    std::vector<WhatIfCycle> uncounted;  // cycles the unit alarmed that do not cross it
    std::size_t unitAlarms = 0;
};
struct WhatIf {
    WhatIfKind kinds[3];
};
// `given`: limits to test; each field < 0 takes the limit each cycle was cut with (journal) or
// the current limit (statistics file).
WhatIf ComputeWhatIf(const CutSeries& s, const Limits& given);

// ---- suggest ------------------------------------------------------------------------------------
struct Suggestion {
    bool enough = false;       // false: too few cycles, no limits are given
    std::size_t cycles = 0;    // cycles the limits come from
    std::size_t excluded = 0;  // cycles left out because the unit raised an alarm in them
    int mode = 0;              // blunt mode the Blunt limit is for
    int breakLimit = 0, bluntLimit = 0, missingLimit = 0;
    int breakMargin = 0, bluntMargin = 0, missingMargin = 0;  // distance to the statistic named below
    std::size_t breakFalse = 0, bluntFalse = 0, missingFalse = 0;
    std::vector<std::string> cannotTell;  // what the data cannot tell, plainly
};
constexpr std::size_t kFewestCyclesToSuggest = 30;
Suggestion Suggest(const CutSeries& s, int mode);

}  // namespace kvdstat
