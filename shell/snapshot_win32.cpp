#include "shell/snapshot_win32.h"

#include "shell/main_window_win32.h"
#include "shell/paint_win32.h"

namespace {
// UI thread only.
HDC gSnapshotDC = nullptr;
HBITMAP gSnapshotBitmap = nullptr;
HGDIOBJ gSnapshotOldBitmap = nullptr;
}  // namespace

void DeleteCycleSnapshot() {
    if (gSnapshotDC != nullptr) {
        SelectObject(gSnapshotDC, gSnapshotOldBitmap);
        DeleteDC(gSnapshotDC);
    }
    if (gSnapshotBitmap != nullptr) DeleteObject(gSnapshotBitmap);
    gSnapshotDC = nullptr;
    gSnapshotBitmap = nullptr;
    gSnapshotOldBitmap = nullptr;
}

bool HaveCycleSnapshot() { return gSnapshotBitmap != nullptr; }
HDC CycleSnapshotDC() { return gSnapshotDC; }
HBITMAP CycleSnapshotBitmap() { return gSnapshotBitmap; }

void TakeCycleSnapshot(HWND hwnd) {
    if (gFrozen) return;  // the previous snapshot stays
    DeleteCycleSnapshot();
    // The screen lags the data by up to one timer tick: the cycle's last points are drawn first,
    // so the snapshot shows the whole cycle, and it is read from the window's own device context,
    // which holds what was just drawn even before the display shows it.
    InvalidateRegion(hwnd, Region::kCurve, false);
    UpdateWindow(hwnd);
    RECT r;
    if (!GetWindowRect(hwnd, &r)) return;
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (display == nullptr) return;
    HDC memory = CreateCompatibleDC(display);
    HBITMAP bitmap = memory != nullptr ? CreateCompatibleBitmap(display, w, h) : nullptr;
    if (bitmap == nullptr) {
        if (memory != nullptr) DeleteDC(memory);
        DeleteDC(display);
        return;
    }
    gSnapshotDC = memory;
    gSnapshotBitmap = bitmap;
    gSnapshotOldBitmap = SelectObject(memory, bitmap);
    if (HDC window = GetWindowDC(hwnd)) {
        BitBlt(memory, 0, 0, w, h, window, 0, 0, SRCCOPY);
        ReleaseDC(hwnd, window);
    } else {
        BitBlt(memory, 0, 0, w, h, display, r.left, r.top, SRCCOPY);
    }
    DeleteDC(display);
}
