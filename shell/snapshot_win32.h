// CycleSnapshot: the window as it looked at the end of the last cycle (command 30000).
#pragma once

#include <windows.h>

#include "shell/main_window_state_win32.h"

// Into the window's state, unless the window is frozen (the previous snapshot stays then).
void TakeCycleSnapshot(HWND hwnd);
void DeleteCycleSnapshot(CycleSnapshot& snapshot);

// The snapshot as a bitmap of the display's own kind again, selected into a memory DC, for the
// screen dump; released with the object. bitmap stays null when it cannot be made.
struct SnapshotBitmap {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    explicit SnapshotBitmap(const CycleSnapshot& snapshot);
    ~SnapshotBitmap();
    SnapshotBitmap(const SnapshotBitmap&) = delete;
    SnapshotBitmap& operator=(const SnapshotBitmap&) = delete;
};
