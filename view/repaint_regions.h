// Which regions of the main window show what the reader thread changed: the one place that knows
// where each part of the data model is drawn, and whether its region must be erased first.
#pragma once

#include "model/change_bits.h"
#include "model/regions.h"
#include "model/settings.h"

struct Repaints {
    bool marked[kRegionCount] = {};
    bool erase[kRegionCount] = {};  // erase the background of the marked region first

    void Add(Region r, bool eraseFirst) {
        marked[static_cast<int>(r)] = true;
        erase[static_cast<int>(r)] = erase[static_cast<int>(r)] || eraseFirst;
    }
    bool operator==(const Repaints&) const = default;
};

// The regions to invalidate for the changes while the lower panel shows the display.
// statisticsRescaled: the statistics chart would now be drawn at another bar width than it was.
[[nodiscard]] Repaints RepaintsFor(const Changes& changes, Display display, bool statisticsRescaled);
