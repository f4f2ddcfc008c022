// The main window's own state, one object per window, kept in its GWLP_USERDATA from WM_NCCREATE
// to WM_NCDESTROY (as the DEBUG window keeps its own). UI thread only. The monitor record and the
// serial link are the start-up sequence's, handed over at creation: the reader thread writes them,
// and they outlive the window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "print/print_calls_win32.h"
#include "shell/plant_link_win32.h"
#include "view/drawing_resources_win32.h"

struct Monitor;
struct SerialLink;
#include "view/curve_view.h"

constexpr int kTitleSize = 101;  // string resources of up to 100 characters
// The caption: the title, then " - " and a text for each of the notes it may carry (the
// statistics not saved, the wear warning).
constexpr int kCaptionSize = kTitleSize + 2 * (3 + 2 * 64);

// The window as it looked at the end of the last cycle (command "end of cycle"): its 32-bit
// pixels, top row first, kept as runs until a screen dump asks for them. width 0: none.
struct CycleSnapshot {
    int width = 0, height = 0;
    std::vector<uint32_t> runs;
};

// What the start-up sequence hands the window (CreateWindowEx's parameter).
struct MainWindowStart {
    char caption[kTitleSize] = {};
    bool screenTooSmall = false;
    Monitor* monitor = nullptr;    // the monitor record (never null for the main window)
    SerialLink* serial = nullptr;  // the serial link of its Link
};

struct MainWindowState {
    MainWindowStart start;
    bool frozen = false;      // Pause toggles it: the curve is neither drawn nor erased while set
    CurveCursor screenCurve;  // where the screen's curve drawing goes on (a printed page has its own)
    // What the tick draws at its end, straight into the window: the curve's new points and changed
    // marks (asked for in screenCurve) and the power bar. Each is a few pixels at every tick; a
    // paint message for them would cost the system far more than the drawing.
    bool pointsAtTick = false, barAtTick = false;
    char captionShown[kCaptionSize] = {};  // the caption as last set
    CycleSnapshot snapshot;
    HWND uploadProgress = nullptr;  // the upload's progress dialog while it is open
    // The failed autosave's message is open: its modal loop goes on delivering ticks, and a drive
    // that fails, recovers and fails again would stack a box on it. The next run's message waits.
    bool autosaveMessageOpen = false;
    PlantLink plant;        // off unless ZAVIze.ini switches it on
    HWND legend = nullptr;  // the Legend popup while it is open
    // The screen's pens, brushes and fonts: made in WM_CREATE, deleted in WM_DESTROY (and at the
    // latest with the state), handed to every canvas of the window and its Legend popup.
    DrawingResources drawing{};
    PrintCalls print;  // the print jobs' calls: the system's
};

// WM_NCCREATE: a new state for the window, from the start parameters when given.
void AttachMainWindowState(HWND hwnd, const MainWindowStart* start);
// WM_NCDESTROY: the state goes with the window.
void DetachMainWindowState(HWND hwnd);
// The window's state; a window without one (never the main window) gets a shared empty state.
MainWindowState& StateOf(HWND hwnd);
// The monitor record the start-up sequence handed the main window.
Monitor& MonitorOf(HWND hwnd);
