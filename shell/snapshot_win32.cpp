#include "shell/snapshot_win32.h"

#include "shell/paint_win32.h"

void DeleteCycleSnapshot(CycleSnapshot& s) {
    if (s.dc != nullptr) {
        SelectObject(s.dc, s.oldBitmap);
        DeleteDC(s.dc);
    }
    if (s.bitmap != nullptr) DeleteObject(s.bitmap);
    s = CycleSnapshot{};
}

void TakeCycleSnapshot(HWND hwnd) {
    MainWindowState& state = StateOf(hwnd);
    if (state.frozen) return;  // the previous snapshot stays
    CycleSnapshot& snapshot = state.snapshot;
    DeleteCycleSnapshot(snapshot);
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
    snapshot = {memory, bitmap, SelectObject(memory, bitmap)};
    if (HDC window = GetWindowDC(hwnd)) {
        BitBlt(memory, 0, 0, w, h, window, 0, 0, SRCCOPY);
        ReleaseDC(hwnd, window);
    } else {
        BitBlt(memory, 0, 0, w, h, display, r.left, r.top, SRCCOPY);
    }
    DeleteDC(display);
}
