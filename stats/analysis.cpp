#include "stats/analysis.h"

#include <algorithm>
#include <cmath>

namespace kvdstat {

namespace {

struct Histogram {
    std::size_t bins[256] = {};
    std::size_t n = 0;
    explicit Histogram(const std::vector<uint8_t>& v) : n(v.size()) {
        for (const uint8_t x : v) ++bins[x];
    }
    Histogram(const std::size_t (&b)[256], std::size_t count) : n(count) { std::copy(b, b + 256, bins); }
    int Percentile(double p) const {
        if (n == 0) return 0;
        std::size_t rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(n) - 1e-9));
        rank = std::clamp<std::size_t>(rank, 1, n);
        std::size_t seen = 0;
        for (int v = 0; v < 256; ++v) {
            seen += bins[v];
            if (seen >= rank) return v;
        }
        return 255;
    }
};

std::size_t CountIf(const std::vector<uint8_t>& v, auto predicate) {
    return static_cast<std::size_t>(std::count_if(v.begin(), v.end(), predicate));
}

Distribution DescribeHistogram(const Histogram& h) {
    Distribution d;
    d.count = h.n;
    if (h.n == 0) return d;
    double sum = 0;
    for (int v = 0; v < 256; ++v) sum += static_cast<double>(h.bins[v]) * v;
    d.mean = sum / static_cast<double>(d.count);
    d.min = h.Percentile(0);
    d.max = h.Percentile(100);
    d.p50 = h.Percentile(50);
    d.p90 = h.Percentile(90);
    d.p99 = h.Percentile(99);
    return d;
}

}  // namespace

int Percentile(const std::vector<uint8_t>& values, double p) { return Histogram(values).Percentile(p); }

Distribution Describe(const std::vector<uint8_t>& values) { return DescribeHistogram(Histogram(values)); }

Distribution Describe(const std::size_t (&bins)[256], std::size_t count) {
    return DescribeHistogram(Histogram(bins, count));
}

JournalSpan DescribeSpan(const CutSeries& s) {
    JournalSpan span;
    if (s.records.empty()) return span;
    span.firstMs = s.records.front().time.unixMs;
    span.lastMs = s.records.back().time.unixMs;
    const double hours = static_cast<double>(span.lastMs - span.firstMs) / 3.6e6;
    // n cycles ending within the span make n - 1 intervals between cycle ends.
    if (span.lastMs - span.firstMs >= 1000)
        span.cyclesPerHour = static_cast<double>(s.records.size() - 1) / hours;
    for (const JournalRecord& r : s.records)
        for (int k = 0; k < 4; ++k)
            if (r.alarms & (1u << k)) ++span.alarms[k];
    return span;
}

JournalSpan DescribeSpan(const CutTally& t) {
    JournalSpan span;
    if (t.count == 0) return span;
    span.firstMs = t.first.unixMs;
    span.lastMs = t.last.unixMs;
    const double hours = static_cast<double>(span.lastMs - span.firstMs) / 3.6e6;
    if (span.lastMs - span.firstMs >= 1000) span.cyclesPerHour = static_cast<double>(t.count - 1) / hours;
    std::copy(t.alarms, t.alarms + 4, span.alarms);
    return span;
}

void CutTally::Add(const JournalRecord& r, uint64_t order) {
    if (count == 0 || r.time.unixMs < first.unixMs) {
        first = r.time;
        firstOrder = order;
    }
    if (count == 0 || r.time.unixMs >= last.unixMs) {
        last = r.time;
        lastOrder = order;
    }
    ++count;
    ++peakBins[r.peak];
    ++workBins[r.work];
    for (int k = 0; k < 4; ++k) alarms[k] += (r.alarms >> k) & 1u;
}

void CutTally::Merge(const CutTally& o) {
    if (o.count == 0) return;
    const bool empty = count == 0;
    if (empty || o.first.unixMs < first.unixMs ||
        (o.first.unixMs == first.unixMs && o.firstOrder < firstOrder)) {
        first = o.first;
        firstOrder = o.firstOrder;
    }
    if (empty || o.last.unixMs > last.unixMs || (o.last.unixMs == last.unixMs && o.lastOrder > lastOrder)) {
        last = o.last;
        lastOrder = o.lastOrder;
    }
    count += o.count;
    for (int v = 0; v < 256; ++v) {
        peakBins[v] += o.peakBins[v];
        workBins[v] += o.workBins[v];
    }
    for (int k = 0; k < 4; ++k) alarms[k] += o.alarms[k];
}

Tally TallyOf(const Source& s) {
    Tally t;
    t.name = s.name;
    t.journal = s.journal;
    for (int c = 0; c < kCutCount; ++c) {
        const CutSeries& series = s.cuts[c];
        CutTally& to = t.cuts[c];
        if (series.Timed()) {
            for (std::size_t i = 0; i < series.records.size(); ++i) to.Add(series.records[i], i);
            // The history is in time order: its span runs from its first cycle to its last.
            to.first = series.records.front().time;
            to.last = series.records.back().time;
            continue;
        }
        to.count = series.Size();
        for (std::size_t i = 0; i < series.Size(); ++i) {
            ++to.peakBins[series.peak[i]];
            ++to.workBins[series.work[i]];
        }
    }
    return t;
}

LineFit FitWindow(const std::vector<uint8_t>& y, std::size_t first, std::size_t n) {
    return FitValues(y.data(), y.size(), first, n);
}

Trend ComputeTrend(const CutSeries& s, std::size_t window, std::size_t points) {
    Trend t;
    const std::size_t n = s.Size();
    t.window = std::min(std::max<std::size_t>(window, 3), n);
    if (n < 3) return t;
    const std::size_t w = t.window;
    const std::size_t windows = n - w + 1;
    t.peak = FitWindow(s.peak, n - w, w);
    t.work = FitWindow(s.work, n - w, w);
    t.risingSince = RisingSince(s.peak.data(), n, w);
    const std::size_t shown = std::min(points, windows);
    for (std::size_t k = 0; k < shown; ++k) {
        const std::size_t first = shown == 1 ? windows - 1 : k * (windows - 1) / (shown - 1);
        t.peakHistory.push_back(FitWindow(s.peak, first, w));
        t.workHistory.push_back(FitWindow(s.work, first, w));
    }
    return t;
}

Limits CurrentLimits(const CutSeries& s) {
    Limits l;
    if (s.records.empty()) return l;
    const JournalRecord& r = s.records.back();
    return {r.breakLimit, r.bluntLimit, r.missingLimit, r.bluntMode};
}

const char* AlarmName(int kind) {
    static constexpr const char* kNames[] = {"Break", "Blunt", "Missing"};
    return kNames[kind];
}

bool Crosses(int kind, const Limits& l, int peak, int work) {
    switch (kind) {
        case kBreak:
            return !IsOff(Parameter::kBreakLimit, l.breakLimit) && peak > l.breakLimit;
        case kBlunt:
            return !IsOff(Parameter::kBluntLimit, l.bluntLimit) &&
                   (l.bluntMode == kBluntModePower ? peak > l.bluntLimit : work > l.bluntLimit);
        // The tool never rose above Po + Missing limit; a Missing limit that is Off watches nothing.
        default:
            return !IsOff(Parameter::kMissingLimit, l.missingLimit) && peak <= l.missingLimit;
    }
}

namespace {

Limits LimitsOf(const JournalRecord& r) { return {r.breakLimit, r.bluntLimit, r.missingLimit, r.bluntMode}; }

Limits Merge(const Limits& given, const Limits& own) {
    return {given.breakLimit >= 0 ? given.breakLimit : own.breakLimit,
            given.bluntLimit >= 0 ? given.bluntLimit : own.bluntLimit,
            given.missingLimit >= 0 ? given.missingLimit : own.missingLimit,
            given.bluntMode >= 0 ? given.bluntMode : own.bluntMode};
}

int LimitOf(int kind, const Limits& l) {
    return kind == kBreak ? l.breakLimit : kind == kBlunt ? l.bluntLimit : l.missingLimit;
}

// Why a cycle that crosses the tested limit brought no alarm from the unit.
std::string WhyNoAlarm(int kind, const JournalRecord& r, const Limits& tested) {
    const Limits own = LimitsOf(r);
    if (!Crosses(kind, own, r.peak, r.work))
        return std::string("the unit's ") + AlarmName(kind) + " limit then was " +
               std::to_string(LimitOf(kind, own));
    switch (kind) {
        case kBreak:
            return "Break Delay: the unit alarms only when the power stays above the limit that long; "
                   "the peak cannot show how long it did";
        case kBlunt:
            if (tested.bluntMode == kBluntModePower && !IsOff(Parameter::kBreakLimit, own.breakLimit) &&
                r.peak > own.breakLimit)
                return "the power went above the Break limit, which the unit leaves to the break detector";
            if (r.bluntCounter > 0)
                return "Blunt Count: detection " + std::to_string(r.bluntCounter) +
                       " was counted, the alarm waits for more detections";
            return tested.bluntMode == kBluntModePower
                       ? "Blunt Delay: the unit needs the power above the limit for that long; "
                         "the peak cannot show how long it was"
                       : "the unit compares the work summed within its own windows";
        default:
            if (r.missingCounter > 0)
                return "Missing Count: detection " + std::to_string(r.missingCounter) +
                       " was counted, the alarm waits for more detections";
            return "Missing Delay: the unit watches the samples only within that time; the peak covers the "
                   "whole cycle";
    }
}

// Why the unit alarmed in a cycle that does not cross the tested limit.
std::string WhyAlarm(int kind, const JournalRecord& r, const Limits& tested) {
    if (Crosses(kind, LimitsOf(r), r.peak, r.work))
        return "the tested limit " + std::to_string(LimitOf(kind, tested)) + " is not crossed by this cycle";
    return "the unit compares single samples with its own Po; the stored peak (points over the "
           "monitor's Po) stayed within the limit";
}

}  // namespace

WhatIf ComputeWhatIf(const CutSeries& s, const Limits& given) {
    WhatIf w;
    const Limits current = CurrentLimits(s);
    for (std::size_t i = 0; i < s.Size(); ++i) {
        const bool timed = s.Timed();
        const Limits own = timed ? LimitsOf(s.records[i]) : current;
        const Limits l = Merge(given, own);
        for (int k = 0; k < 3; ++k) {
            const bool crosses = Crosses(k, l, s.peak[i], s.work[i]);
            const bool alarm = timed && (s.records[i].alarms & (1u << k)) != 0;
            WhatIfKind& kind = w.kinds[k];
            if (alarm) ++kind.unitAlarms;
            if (crosses)
                kind.counted.push_back({i, alarm, timed && !alarm ? WhyNoAlarm(k, s.records[i], l) : ""});
            else if (alarm)
                kind.uncounted.push_back({i, true, WhyAlarm(k, s.records[i], l)});
        }
    }
    return w;
}

namespace {

// What a history cannot tell about the limits suggested from it.
void AddCaveats(const CutSeries& s, const std::vector<uint8_t>& peak, int top, int p1, int spread,
                Suggestion& g) {
    if (g.cycles < 300)
        g.cannotTell.push_back(
            std::to_string(g.cycles) +
            " cycles: fewer than 3 lie above the 99th percentile the Blunt limit rests on");
    if (!s.Timed())
        g.cannotTell.push_back(
            "a statistics file holds no alarms: cycles cut with a blunt or broken tool "
            "are part of this history, and the limits the cut ran with are unknown");
    const LineFit all = FitWindow(peak, 0, peak.size());
    if (RisingSignificantly(all) && all.slope * static_cast<double>(peak.size()) > 2)
        g.cannotTell.push_back(
            "the peaks rise over this history (" + std::to_string(all.slope * 100).substr(0, 5) +
            " % per 100 cycles): it spans tool wear, so the limits sit where a worn tool already was");
    if (top + 2 * spread > 100)
        g.cannotTell.push_back(
            "the peaks come close to the top of the range: no Break limit lies well above them");
    if (p1 - spread <= 0) g.cannotTell.push_back("some cycles barely rise above Po: the Missing limit is 0");
    g.cannotTell.push_back(
        "the delays and counts (Break Delay, Blunt Delay, Blunt Count, Missing Count) cannot be "
        "judged from peaks and work: whatif shows the cycles where they mattered");
}

}  // namespace

Suggestion Suggest(const CutSeries& s, int mode) {
    Suggestion g;
    g.mode = mode;
    std::vector<uint8_t> peak, work;
    for (std::size_t i = 0; i < s.Size(); ++i) {
        if (s.Timed() && (s.records[i].alarms & (kJournalBreak | kJournalBlunt | kJournalMissing)) != 0) {
            ++g.excluded;
            continue;
        }
        peak.push_back(s.peak[i]);
        work.push_back(s.work[i]);
    }
    g.cycles = peak.size();
    if (g.excluded > 0)
        g.cannotTell.push_back(std::to_string(g.excluded) +
                               " cycles in which the unit raised an alarm are left out");
    if (g.cycles < kFewestCyclesToSuggest) {
        g.cannotTell.push_back("only " + std::to_string(g.cycles) + " cycles without alarms: at least " +
                               std::to_string(kFewestCyclesToSuggest) +
                               " are needed before a limit can be told from chance");
        return g;
    }
    g.enough = true;
    const Histogram hp(peak);
    const int p1 = hp.Percentile(1), p50 = hp.Percentile(50), p99 = hp.Percentile(99),
              top = hp.Percentile(100);
    const int spread = std::max(2, p99 - p50);

    const std::vector<uint8_t>& bluntSeries = mode == kBluntModePower ? peak : work;
    const Histogram hb(bluntSeries);
    const int b99 = hb.Percentile(99);
    const int bSpread = std::max(2, b99 - hb.Percentile(50));
    g.bluntLimit = std::clamp(b99 + bSpread, 5, 100);
    g.bluntMargin = g.bluntLimit - b99;
    g.bluntFalse = CountIf(bluntSeries, [&](uint8_t v) { return v > g.bluntLimit; });

    g.breakLimit = std::min(100, std::max(top + 2 * spread, mode == kBluntModePower ? g.bluntLimit + 5 : 0));
    g.breakMargin = g.breakLimit - top;
    g.breakFalse = CountIf(peak, [&](uint8_t v) { return v > g.breakLimit; });

    g.missingLimit = std::max(0, p1 - spread);
    g.missingMargin = p1 - g.missingLimit;
    g.missingFalse = CountIf(peak, [&](uint8_t v) { return v <= g.missingLimit; });
    AddCaveats(s, peak, top, p1, spread, g);
    return g;
}

}  // namespace kvdstat
