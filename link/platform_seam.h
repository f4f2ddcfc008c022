// What the portable core asks of the platform. The Win32 layer fills it in at start; tests fill
// it with recorders. Every member may be null: the call is then skipped.
#pragma once

#include "view/layout.h"

struct PlatformSeam {
    // InvalidateRect on the main window (from any thread).
    void (*invalidate)(Region region, bool erase);
    // End-of-cycle request (command 30000): returns once the UI thread took its snapshot, or at
    // once when the link is closing, so that it never waits for a thread that waits for it.
    void (*requestEndOfCycle)();
    // SetEvent on the AnswerEvent (a Break Limit report arrived).
    void (*setAnswerEvent)();
    // Write the statistics block to the file in use (the cycle-end autosave).
    void (*saveStatistics)();
};

extern PlatformSeam gPlatform;

void Invalidate(Region region, bool erase);
