#include "stats/time_bound.h"

#include <limits>

#include "journal/journal_line.h"

namespace kvdstat {

namespace {

constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

bool IsOffset(char c) { return c == 'Z' || c == '+' || c == '-'; }

// Splits "time[offset]": the offset starts at a Z or at a sign after the date's own dashes.
std::size_t OffsetStart(const std::string& text) {
    for (std::size_t i = 10; i < text.size(); ++i)
        if (IsOffset(text[i])) return i;
    return text.size();
}

int64_t LocalMs(const JournalRecord& r) { return r.time.unixMs + int64_t{r.time.offsetMinutes} * 60000; }

}  // namespace

bool ParseTimeBound(const std::string& text, TimeBound& out) {
    out = TimeBound{};
    if (text.empty()) return true;
    const std::size_t offsetAt = OffsetStart(text);
    std::string stamp = text.substr(0, offsetAt);
    // The parts left out are the start of the period named: a day from 00:00, a minute from :00.
    static const std::string kFull = "0000-00-00T00:00:00.000";
    const std::size_t n = stamp.size();
    if (n != 10 && n != 13 && n != 16 && n != 19 && n != 23) return false;
    stamp += kFull.substr(stamp.size());
    const std::string offset = text.substr(offsetAt);
    JournalTime t{};
    if (!ParseJournalTime(stamp + (offset.empty() ? "Z" : offset), t)) return false;
    out = {true, !offset.empty(), t.unixMs};
    return true;
}

int64_t BoundInstant(const TimeBound& b, const Source& s) {
    if (b.hasOffset) return b.ms;
    int64_t first = kNever;
    for (const CutSeries& c : s.cuts)
        for (const JournalRecord& r : c.records)
            if (LocalMs(r) >= b.ms && r.time.unixMs < first) first = r.time.unixMs;
    return first;
}

void FilterByTime(Source& s, const TimeBound& from, const TimeBound& to) {
    if (!s.journal || (!from.set && !to.set)) return;
    const int64_t low = from.set ? BoundInstant(from, s) : std::numeric_limits<int64_t>::min();
    const int64_t high = to.set ? BoundInstant(to, s) : kNever;
    for (CutSeries& c : s.cuts) {
        CutSeries kept;
        for (std::size_t i = 0; i < c.records.size(); ++i) {
            const int64_t at = c.records[i].time.unixMs;
            if (at < low || at >= high) continue;
            kept.peak.push_back(c.peak[i]);
            kept.work.push_back(c.work[i]);
            kept.records.push_back(c.records[i]);
        }
        c = std::move(kept);
    }
}

}  // namespace kvdstat
