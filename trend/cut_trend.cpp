#include "trend/cut_trend.h"

#include <algorithm>
#include <atomic>

#include "model/parameters.h"

namespace {

constexpr int kRing = kStatisticsEntries;

// The index the writer writes next; a damaged index beyond the ring is where it writes: 0.
uint16_t WriteEnd(const CutStatistics& s, int cut) {
    const uint16_t at = std::atomic_ref<const uint16_t>(s.writeIndex[cut]).load(std::memory_order_acquire);
    return at < kRing ? at : 0;
}

int HeldOf(const CutStatistics& s, int cut) { return std::min(HeldEntries(s, cut), kRing); }

// The k-th of the held entries, oldest first: they end just before the write position.
const StatisticsEntry& HeldEntry(const CutStatistics& s, int cut, uint16_t end, int held, int k) {
    return s.entries[cut][(end - held + k + kRing) % kRing];
}

void Follow(SeriesTrend& s, int64_t cycles, int window, uint8_t added, uint8_t leaving) {
    AddToSums(s.sums, static_cast<std::size_t>(cycles), added, 1);
    if (cycles >= window) AddToSums(s.sums, static_cast<std::size_t>(cycles - window), leaving, -1);
    if (cycles + 1 < window) return;
    const std::size_t first = static_cast<std::size_t>(cycles + 1 - window);
    if (!RisingSignificantly(FitFromSums(s.sums, first, static_cast<std::size_t>(window))))
        s.risingSince = -1;
    else if (s.risingSince < 0)
        s.risingSince = static_cast<int64_t>(first);
}

// Sums of the last window and the start of the rise of one series, from the cut's history in
// cycle order (book.ordered).
void StartSeries(SeriesTrend& s, const uint8_t* y, int held, int window) {
    s = {};
    const int first = std::max(0, held - window);
    for (int j = first; j < held; ++j) AddToSums(s.sums, static_cast<std::size_t>(j), y[j], 1);
    s.risingSince = held >= window
                        ? RisingSince(y, static_cast<std::size_t>(held), static_cast<std::size_t>(window))
                        : -1;
}

}  // namespace

void StartTrends(TrendBook& book, const CutStatistics& s, int window) {
    book.window = std::clamp(window, kForecastWindowSmallest, kForecastWindowLargest);
    for (int cut = 0; cut < kCutCount; ++cut) StartCutTrend(book, s, cut);
}

void StartCutTrend(TrendBook& book, const CutStatistics& s, int cut) {
    CutTrend& t = book.cuts[cut];
    t.writeIndex = WriteEnd(s, cut);
    t.held = HeldOf(s, cut);
    t.cycles = t.held;
    for (int k = std::max(0, t.held - kForecastWindowLargest); k < t.held; ++k) {
        const StatisticsEntry& e = HeldEntry(s, cut, t.writeIndex, t.held, k);
        t.recent[k % kForecastWindowLargest] = {Load(e.peak), Load(e.work)};
    }
    for (int k = 0; k < t.held; ++k) book.ordered[k] = Load(HeldEntry(s, cut, t.writeIndex, t.held, k).peak);
    StartSeries(t.peak, book.ordered, t.held, book.window);
    for (int k = 0; k < t.held; ++k) book.ordered[k] = Load(HeldEntry(s, cut, t.writeIndex, t.held, k).work);
    StartSeries(t.work, book.ordered, t.held, book.window);
}

void AddCycle(CutTrend& t, int window, StatisticsEntry e) {
    const StatisticsEntry leaving =
        t.recent[(t.cycles - window + kForecastWindowLargest) % kForecastWindowLargest];
    Follow(t.peak, t.cycles, window, e.peak, leaving.peak);
    Follow(t.work, t.cycles, window, e.work, leaving.work);
    t.recent[t.cycles % kForecastWindowLargest] = e;
    ++t.cycles;
}

void FollowStatistics(TrendBook& book, const CutStatistics& s, int cut) {
    if (book.window < kForecastWindowSmallest) return;  // not started yet
    CutTrend& t = book.cuts[cut];
    const uint16_t end = WriteEnd(s, cut);
    const int held = HeldOf(s, cut);
    if (end == t.writeIndex && held == t.held) return;
    const int gained = (end - t.writeIndex + kRing) % kRing;
    // The writer only adds: the held count grows with the entries, up to the ring (whose count
    // reads one less while the wrap marker passes zero). Anything else is a new history.
    const bool appended = gained > 0 && gained <= book.window &&
                          (held == std::min(t.held + gained, kRing) || held == kRing - 1);
    if (!appended) {
        StartCutTrend(book, s, cut);
        return;
    }
    for (int k = 0; k < gained; ++k) {
        const StatisticsEntry& e = s.entries[cut][(t.writeIndex + k) % kRing];
        AddCycle(t, book.window, {Load(e.peak), Load(e.work)});
    }
    t.writeIndex = end;
    t.held = held;
}

CutForecast ForecastOf(const TrendBook& book, int cut, const CutParameters& limits) {
    CutForecast f{};
    const CutTrend& t = book.cuts[cut];
    const int window = book.window;
    f.cut = cut;
    f.window = window;
    f.workMode = limits.bluntMode == kBluntModeWork;
    f.count = static_cast<int32_t>(std::min<int64_t>(t.cycles, window));
    f.firstCycle = t.cycles - f.count;
    for (int k = 0; k < f.count; ++k) {
        const StatisticsEntry& e = t.recent[(f.firstCycle + k) % kForecastWindowLargest];
        f.values[k] = f.workMode ? e.work : e.peak;
    }
    f.risingSince = -1;
    f.bluntLimit = IsOff(Parameter::kBluntLimit, limits.bluntLimit) ? 0 : limits.bluntLimit;
    f.breakLimit = IsOff(Parameter::kBreakLimit, limits.breakLimit) ? 0 : limits.breakLimit;
    f.enough = window >= kForecastWindowSmallest && f.count == window;
    if (!f.enough) return f;
    const auto first = static_cast<std::size_t>(f.firstCycle);
    f.peakFit = FitFromSums(t.peak.sums, first, static_cast<std::size_t>(window));
    f.shown = f.workMode ? FitFromSums(t.work.sums, first, static_cast<std::size_t>(window)) : f.peakFit;
    f.blunt = ForecastLimit(f.shown, f.bluntLimit);
    f.brk = ForecastLimit(f.peakFit, f.breakLimit);
    f.risingSince = f.workMode ? t.work.risingSince : t.peak.risingSince;
    return f;
}

double CyclesLeft(const CutForecast& f) {
    double left = -1;
    for (const LimitForecast* l : {&f.blunt, &f.brk}) {
        const double c = l->kind == LimitForecast::kAlreadyAbove ? 0
                         : l->kind == LimitForecast::kReached    ? l->cycles
                                                                 : -1;
        if (c >= 0 && (left < 0 || c < left)) left = c;
    }
    return left;
}

bool ForecastWarns(const CutForecast& f, int level) {
    const double left = CyclesLeft(f);
    return f.enough && left >= 0 && left < level;
}
