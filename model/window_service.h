// What the data model's writers ask of the main window. The Win32 layer points the members at the
// window at start; tests point them at recorders. The defaults do nothing, so a caller never
// checks for a missing member and a core without a window (tests, tools) runs as it is.
#pragma once

#include "model/regions.h"

struct WindowService {
    // InvalidateRect on the main window (from any thread).
    void (*invalidate)(Region region, bool erase) = [](Region, bool) {};
    // End-of-cycle request (the shell sends its window its own command): returns once the UI thread took its
    // snapshot, or at once when the link is closing, so that it never waits for a thread that waits for it.
    void (*requestEndOfCycle)() = [] {};
};

extern WindowService gWindowService;

inline void Invalidate(Region region, bool erase) { gWindowService.invalidate(region, erase); }
