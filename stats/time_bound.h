// The times of --from and --to: a local date, with or without a time of day (minutes, seconds,
// milliseconds) and a UTC offset ("Z", "+01:00"), compared with the cycles as instants.
#pragma once

#include <cstdint>
#include <string>

#include "stats/sources.h"

namespace kvdstat {

struct TimeBound {
    bool set = false;
    bool hasOffset = false;
    int64_t ms = 0;  // with an offset: the instant (UTC ms); without: the local time read as UTC
};

// "2026-12-01", "2026-12-01T08", "2026-12-01T08:00", "2026-12-01T08:00:30.250", each optionally followed by
// "Z" or
// "+HH:MM" / "-HH:MM". False when the text is none of these (an empty text is no bound).
[[nodiscard]] bool ParseTimeBound(const std::string& text, TimeBound& out);

// The instant a bound stands for in a journal. Without an offset it is the moment the journal's
// own clock first showed that time: the earliest cycle whose local time is at or after it. So in
// the hour the clocks go back a bound given without an offset falls at the first of the two
// readings, and the cycles of the repeated hour stay on the side of the instants they belong to.
int64_t BoundInstant(const TimeBound& b, const Source& s);

// Keeps only journal cycles at or after `from` and before `to` (a bound not set keeps all).
void FilterByTime(Source& s, const TimeBound& from, const TimeBound& to);

}  // namespace kvdstat
