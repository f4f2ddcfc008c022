// What the data model's writers ask of the main window: an interface with a self, like the link's
// port, user and storage services. Every member is handed `self`, the object it acts on (the main
// window in the program, a test's recorder in tests). The link's record holds it: the monitor's
// cycle-end handler asks for the end-of-cycle snapshot through it, and the timer tick invalidates
// through the monitor's link. The defaults do nothing, so a caller never checks for a missing member and a
// core without a window (tests, tools) runs as it is.
#pragma once

#include "model/regions.h"

struct WindowService {
    void* self = nullptr;
    // InvalidateRect on the main window.
    void (*invalidate)(void* self, Region region, bool erase) = [](void*, Region, bool) {};
    // End-of-cycle request (the shell sends its window its own command): returns once the UI thread took its
    // snapshot, or at once when the link is closing, so that it never waits for a thread that waits for it.
    void (*requestEndOfCycle)(void* self) = [](void*) {};
};

inline void Invalidate(const WindowService& window, Region region, bool erase) {
    window.invalidate(window.self, region, erase);
}
