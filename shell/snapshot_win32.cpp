#include "shell/snapshot_win32.h"

#include <memory>
#include <new>

#include "files/pixel_runs.h"
#include "shell/paint_win32.h"

namespace {

// A 32-bit picture of w x h, top row first.
BITMAPINFO PictureInfo(int w, int h) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// The w x h pixels at (x, y) of `source` as runs; false when they could not be read.
bool CapturePixels(HDC source, int x, int y, int w, int h, std::vector<uint32_t>& runs) {
    HDC memory = CreateCompatibleDC(source);
    if (memory == nullptr) return false;
    const BITMAPINFO info = PictureInfo(w, h);
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool kept = false;
    if (picture != nullptr && bits != nullptr) {
        HGDIOBJ old = SelectObject(memory, picture);
        kept = BitBlt(memory, 0, 0, w, h, source, x, y, SRCCOPY) != FALSE;
        GdiFlush();
        kept =
            kept && CompressPixels(static_cast<const uint32_t*>(bits), static_cast<std::size_t>(w) * h, runs);
        SelectObject(memory, old);
    }
    if (picture != nullptr) DeleteObject(picture);
    DeleteDC(memory);
    return kept;
}

}  // namespace

void DeleteCycleSnapshot(CycleSnapshot& snapshot) {
    snapshot.width = snapshot.height = 0;
    snapshot.runs.clear();
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
    if (w <= 0 || h <= 0) return;
    // The pixels are kept as runs, not as a bitmap: a screen is mostly flat colour, and the
    // snapshot waits in memory for a dump that may never come.
    bool kept = false;
    if (HDC window = GetWindowDC(hwnd)) {
        kept = CapturePixels(window, 0, 0, w, h, snapshot.runs);
        ReleaseDC(hwnd, window);
    } else if (HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr)) {
        kept = CapturePixels(display, r.left, r.top, w, h, snapshot.runs);
        DeleteDC(display);
    }
    if (kept) {
        snapshot.width = w;
        snapshot.height = h;
    } else {
        DeleteCycleSnapshot(snapshot);
    }
}

SnapshotBitmap::SnapshotBitmap(const CycleSnapshot& snapshot) {
    const int w = snapshot.width, h = snapshot.height;
    const std::size_t count = static_cast<std::size_t>(w) * h;
    std::unique_ptr<uint32_t[]> pixels(count > 0 ? new (std::nothrow) uint32_t[count] : nullptr);
    if (!pixels || !ExpandPixels(snapshot.runs, pixels.get(), count)) return;
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (display == nullptr) return;
    // The display's own kind, as the snapshot used to be kept: the dump's format is the display's.
    dc = CreateCompatibleDC(display);
    bitmap = dc != nullptr ? CreateCompatibleBitmap(display, w, h) : nullptr;
    DeleteDC(display);
    if (bitmap == nullptr) return;
    old = SelectObject(dc, bitmap);
    const BITMAPINFO info = PictureInfo(w, h);
    if (StretchDIBits(dc, 0, 0, w, h, 0, 0, w, h, pixels.get(), &info, DIB_RGB_COLORS, SRCCOPY) != h) {
        SelectObject(dc, old);
        old = nullptr;
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
}

SnapshotBitmap::~SnapshotBitmap() {
    if (dc != nullptr && old != nullptr) SelectObject(dc, old);
    if (bitmap != nullptr) DeleteObject(bitmap);
    if (dc != nullptr) DeleteDC(dc);
}
