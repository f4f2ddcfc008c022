#include "stats/report.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "journal/journal_line.h"

namespace kvdstat {

namespace {

// MinGW's printf checks need the GNU flavour named; clang knows only the plain one.
#if defined(__clang__)
#define KVDSTAT_PRINTF printf
#else
#define KVDSTAT_PRINTF gnu_printf
#endif
void Append(std::string& out, const char* format, ...) __attribute__((format(KVDSTAT_PRINTF, 2, 3)));
// Whole, however long (a source's name has no bound): what does not fit the buffer is formatted
// again straight into the output.
void Append(std::string& out, const char* format, ...) {
    char buffer[512];
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof buffer) {
        out.append(buffer, static_cast<std::size_t>(n));
    } else if (n > 0) {
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(n) + 1);
        std::vsnprintf(out.data() + at, static_cast<std::size_t>(n) + 1, format, again);
        out.resize(at + static_cast<std::size_t>(n));  // without vsnprintf's terminating zero
    }
    va_end(again);
}

std::string TimeText(const JournalTime& t) {
    char text[40];
    return {text, FormatJournalTime(t, text)};
}

bool Shown(const Source& s, int cut, int c) { return (cut == kAllCuts || cut == c) && s.cuts[c].Size() > 0; }

void Header(std::string& out, const Source& s, const char* what) {
    Append(out, "%s of %s (%s)\n", what, s.name.c_str(), s.journal ? "journal" : "statistics file");
}

void NoCycles(std::string& out, const Source& s, int cut) {
    if (cut == kAllCuts) {
        for (int c = 0; c < kCutCount; ++c)
            if (s.cuts[c].Size() > 0) return;
        out += "  no cut holds any cycles\n";
    } else if (s.cuts[cut].Size() == 0) {
        Append(out, "  cut %d holds no cycles\n", CutNumber(cut));
    }
}

std::string DistributionText(const Distribution& d) {
    char b[160];
    std::snprintf(b, sizeof b, "min %3d  mean %6.2f  p50 %3d  p90 %3d  p99 %3d  max %3d", d.min, d.mean,
                  d.p50, d.p90, d.p99, d.max);
    return b;
}

std::string CyclesText(double cycles) {
    char b[32];
    std::snprintf(b, sizeof b, "%.0f", std::ceil(cycles));
    return b;
}

std::string ForecastText(const Forecast& f, int limit) {
    switch (f.kind) {
        case Forecast::kNoLimit:
            return "limit Off";
        case Forecast::kAlreadyAbove:
            return "the fitted line is above the limit " + std::to_string(limit) + " already";
        case Forecast::kNotRising:
            return "not reached at this drift (no rise)";
        case Forecast::kReached:
            break;
    }
    std::string text = "limit " + std::to_string(limit) + " in about " + CyclesText(f.cycles) + " cycles (" +
                       CyclesText(f.low) + " .. " +
                       (f.high < 0 ? std::string("never: the drift may be zero") : CyclesText(f.high)) + ")";
    return text;
}

}  // namespace

std::string CycleLabel(const CutSeries& c, std::size_t i) {
    if (c.Timed()) return TimeText(c.records[i].time);
    return "cycle " + std::to_string(i);
}

std::string SummaryText(const Source& s, int cut) { return SummaryText(TallyOf(s), cut); }

std::string SummaryText(const Tally& s, int cut) {
    std::string out;
    Append(out, "%s of %s (%s)\n", "Summary", s.name.c_str(), s.journal ? "journal" : "statistics file");
    bool any = false;
    for (int c = 0; c < kCutCount; ++c) {
        const CutTally& t = s.cuts[c];
        any |= t.count > 0;
        if ((cut != kAllCuts && cut != c) || t.count == 0) continue;
        Append(out, "cut %d: %zu cycles\n", c + 1, t.count);
        Append(out, "  peak %%  %s\n", DistributionText(Describe(t.peakBins, t.count)).c_str());
        Append(out, "  work %%  %s\n", DistributionText(Describe(t.workBins, t.count)).c_str());
        if (s.journal) {
            const JournalSpan span = DescribeSpan(t);
            Append(out, "  from %s to %s (%.2f h), %.1f cycles per hour\n", TimeText(t.first).c_str(),
                   TimeText(t.last).c_str(), static_cast<double>(span.lastMs - span.firstMs) / 3.6e6,
                   span.cyclesPerHour);
            Append(out, "  alarms: break %zu, blunt %zu, missing %zu, err1 %zu\n", span.alarms[0],
                   span.alarms[1], span.alarms[2], span.alarms[3]);
        }
    }
    if (cut == kAllCuts && !any)
        out += "  no cut holds any cycles\n";
    else if (cut != kAllCuts && s.cuts[cut].count == 0)
        Append(out, "  cut %d holds no cycles\n", CutNumber(cut));
    return out;
}

std::string TrendText(const Source& s, int cut, const TrendOptions& o) {
    std::string out;
    Header(out, s, "Trend");
    for (int c = 0; c < kCutCount; ++c) {
        if (!Shown(s, cut, c)) continue;
        const CutSeries& series = s.cuts[c];
        if (series.Size() < 3) {
            Append(out, "cut %d: %zu cycles, too few for a drift\n", c + 1, series.Size());
            continue;
        }
        const Trend t = ComputeTrend(series, o.window, o.points);
        Append(out, "cut %d: %zu cycles, window of %zu cycles\n", c + 1, series.Size(), t.window);
        Append(out, "  latest drift: peak %+.3f %% per cycle (+-%.3f), work %+.3f %% per cycle (+-%.3f)\n",
               t.peak.slope, 2 * t.peak.slopeError, t.work.slope, 2 * t.work.slopeError);
        Append(out, "  fitted now: peak %.1f %%, work %.1f %%\n", t.peak.level, t.work.level);
        out += "  drift over the history (window ending at, peak and work per 100 cycles):\n";
        for (std::size_t k = 0; k < t.peakHistory.size(); ++k) {
            const LineFit& p = t.peakHistory[k];
            Append(out, "    %-30s %+8.2f %+8.2f\n", CycleLabel(series, p.first + p.n - 1).c_str(),
                   100 * p.slope, 100 * t.workHistory[k].slope);
        }
        if (t.risingSince >= 0)
            Append(out, "  peaks rising since %s (every window from there on rises beyond its uncertainty)\n",
                   CycleLabel(series, static_cast<std::size_t>(t.risingSince)).c_str());
        else
            out += "  the latest window shows no rise beyond its uncertainty\n";
        Limits l = CurrentLimits(series);
        if (o.limits.breakLimit >= 0) l.breakLimit = o.limits.breakLimit;
        if (o.limits.bluntLimit >= 0) l.bluntLimit = o.limits.bluntLimit;
        if (o.limits.bluntMode >= 0) l.bluntMode = o.limits.bluntMode;
        if (!series.Timed() && (o.limits.breakLimit < 0 || o.limits.bluntLimit < 0))
            out +=
                "  (a statistics file holds no limits: the unit's defaults stand in where none is given)\n";
        const LineFit& bluntFit = l.bluntMode == kBluntModePower ? t.peak : t.work;
        Append(out, "  Blunt (%s): %s\n", l.bluntMode == kBluntModePower ? "power" : "work",
               ForecastText(
                   ForecastLimit(bluntFit, IsOff(Parameter::kBluntLimit, l.bluntLimit) ? 0 : l.bluntLimit),
                   l.bluntLimit)
                   .c_str());
        Append(out, "  Break: %s\n", ForecastText(ForecastLimit(t.peak, l.breakLimit), l.breakLimit).c_str());
    }
    NoCycles(out, s, cut);
    return out;
}

std::string WhatIfText(const Source& s, int cut, const WhatIfOptions& o) {
    std::string out;
    Header(out, s, "What-if");
    for (int c = 0; c < kCutCount; ++c) {
        if (!Shown(s, cut, c)) continue;
        const CutSeries& series = s.cuts[c];
        const WhatIf w = ComputeWhatIf(series, o.limits);
        const Limits cur = CurrentLimits(series);
        Append(out, "cut %d: %zu cycles\n", c + 1, series.Size());
        const int tested[3] = {o.limits.breakLimit, o.limits.bluntLimit, o.limits.missingLimit};
        for (int k = 0; k < 3; ++k) {
            const WhatIfKind& kind = w.kinds[k];
            std::string limit = tested[k] >= 0   ? std::to_string(tested[k])
                                : series.Timed() ? std::string("each cycle's own")
                                                 : std::to_string(k == 0   ? cur.breakLimit
                                                                  : k == 1 ? cur.bluntLimit
                                                                           : cur.missingLimit);
            if (k == kBlunt)
                limit += (o.limits.bluntMode >= 0 ? o.limits.bluntMode : cur.bluntMode) == kBluntModePower
                             ? ", power"
                             : ", work";
            if (k == kBlunt && o.limits.bluntMode < 0 && series.Timed())
                limit = "each cycle's own, in its own mode";
            Append(out, "  %s limit (%s): %zu cycles cross it", AlarmName(k), limit.c_str(),
                   kind.counted.size());
            if (series.Timed())
                Append(out, "; the unit raised the alarm in %zu cycles\n", kind.unitAlarms);
            else
                out += "\n";
            std::size_t listed = 0;
            for (const WhatIfCycle& wc : kind.counted) {
                if (listed++ == o.listed) {
                    Append(out, "    ... %zu more (kvdstat export lists every cycle)\n",
                           kind.counted.size() - o.listed);
                    break;
                }
                Append(out, "    %-30s peak %3d work %3d  %s%s\n", CycleLabel(series, wc.index).c_str(),
                       series.peak[wc.index], series.work[wc.index],
                       !series.Timed() ? ""
                       : wc.unitAlarm  ? "unit alarm"
                                       : "no unit alarm: ",
                       wc.reason.c_str());
            }
            if (!kind.uncounted.empty())
                Append(out, "    unit alarms in cycles that do not cross it: %zu\n", kind.uncounted.size());
            listed = 0;
            for (const WhatIfCycle& wc : kind.uncounted) {
                if (listed++ == o.listed) break;
                Append(out, "    %-30s peak %3d work %3d  %s\n", CycleLabel(series, wc.index).c_str(),
                       series.peak[wc.index], series.work[wc.index], wc.reason.c_str());
            }
        }
        if (!series.Timed()) out += "  (a statistics file holds no alarms: the unit's cannot be compared)\n";
    }
    NoCycles(out, s, cut);
    return out;
}

std::string SuggestText(const Source& s, int cut, int mode) {
    std::string out;
    Header(out, s, "Suggested limits");
    for (int c = 0; c < kCutCount; ++c) {
        if (!Shown(s, cut, c)) continue;
        const CutSeries& series = s.cuts[c];
        const int m = mode >= 0 ? mode : CurrentLimits(series).bluntMode;
        const Suggestion g = Suggest(series, m);
        Append(out, "cut %d: from %zu cycles\n", c + 1, g.cycles);
        if (g.enough) {
            Append(out, "  Break   %3d  %2d above the highest peak; %zu of these cycles would have alarmed\n",
                   g.breakLimit, g.breakMargin, g.breakFalse);
            Append(out,
                   "  Blunt   %3d  (%s) %2d above the 99th percentile of the %s; %zu of these cycles would "
                   "have alarmed\n",
                   g.bluntLimit, m == kBluntModePower ? "power" : "work", g.bluntMargin,
                   m == kBluntModePower ? "peaks" : "work values", g.bluntFalse);
            Append(out,
                   "  Missing %3d  %2d below the 1st percentile of the peaks; %zu of these cycles would have "
                   "alarmed\n",
                   g.missingLimit, g.missingMargin, g.missingFalse);
        }
        for (const std::string& t : g.cannotTell) Append(out, "  note: %s\n", t.c_str());
    }
    NoCycles(out, s, cut);
    return out;
}

std::string ExportCsv(const Source& s, int cut) {
    std::string out =
        s.journal ? "cut,index,time,peak,work,po,break,blunt,missing,err1\n" : "cut,index,peak,work\n";
    for (int c = 0; c < kCutCount; ++c) {
        if (!Shown(s, cut, c)) continue;
        const CutSeries& series = s.cuts[c];
        for (std::size_t i = 0; i < series.Size(); ++i) {
            if (!series.Timed()) {
                Append(out, "%d,%zu,%d,%d\n", c + 1, i, series.peak[i], series.work[i]);
                continue;
            }
            const JournalRecord& r = series.records[i];
            Append(out, "%d,%zu,%s,%d,%d,%d,%d,%d,%d,%d\n", c + 1, i, TimeText(r.time).c_str(), r.peak,
                   r.work, r.po, (r.alarms & kJournalBreak) != 0, (r.alarms & kJournalBlunt) != 0,
                   (r.alarms & kJournalMissing) != 0, (r.alarms & kJournalErr1) != 0);
        }
    }
    return out;
}

std::string ExportJson(const Source& s, int cut) {
    std::string out = "{\"source\": \"";
    for (const char ch : s.name) {
        if (ch == '"' || ch == '\\') out += '\\';
        if (static_cast<unsigned char>(ch) < 0x20) continue;
        out += ch;
    }
    out += "\", \"entries\": [";
    bool first = true;
    for (int c = 0; c < kCutCount; ++c) {
        if (!Shown(s, cut, c)) continue;
        const CutSeries& series = s.cuts[c];
        for (std::size_t i = 0; i < series.Size(); ++i) {
            out += first ? "\n  " : ",\n  ";
            first = false;
            Append(out, "{\"cut\": %d, \"index\": %zu, \"peak\": %d, \"work\": %d", c + 1, i, series.peak[i],
                   series.work[i]);
            if (series.Timed()) {
                const JournalRecord& r = series.records[i];
                Append(out, ", \"time\": \"%s\", \"po\": %d, \"alarms\": [", TimeText(r.time).c_str(), r.po);
                const char* names[4] = {"break", "blunt", "missing", "err1"};
                bool firstAlarm = true;
                for (int k = 0; k < 4; ++k) {
                    if (!(r.alarms & (1u << k))) continue;
                    Append(out, "%s\"%s\"", firstAlarm ? "" : ", ", names[k]);
                    firstAlarm = false;
                }
                out += "]";
            }
            out += "}";
        }
    }
    out += "\n]}\n";
    return out;
}

}  // namespace kvdstat
