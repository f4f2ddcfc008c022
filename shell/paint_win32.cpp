#include "shell/paint_win32.h"

#include "files/config.h"
#include "shell/main_window_win32.h"
#include "view/curve_view.h"
#include "view/gdi_canvas_win32.h"
#include "view/statistics_view.h"
#include "view/table_view.h"

void InvalidateRegion(HWND hwnd, Region region, bool erase) {
    if (hwnd == nullptr) return;
    if (region == Region::kWholeWindow) {
        InvalidateRect(hwnd, nullptr, erase);
        return;
    }
    const Rect r = RegionRect(region);
    const RECT rect{r.left, r.top, r.right, r.bottom};
    InvalidateRect(hwnd, &rect, erase);
}

void PaintMainWindow(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc == nullptr) return;
    const int saved = SaveDC(dc);
    {
        RECT client;
        GetClientRect(hwnd, &client);
        GdiCanvas canvas(dc);
        // While frozen the last picture of the curve stays on screen.
        if (!gFrozen) {
            DrawCurveFrame(canvas, Target::kScreen);
            DrawCurvePoints(canvas, Target::kScreen);
        }
        DrawPowerBar(canvas);
        const int mode = gConfig.DisplayMode;
        if (mode == 2) {
            DrawParameterTable(canvas, client.right);
        } else {
            DrawStatisticsFrame(canvas, mode, Target::kScreen);
            DrawStatisticsBars(canvas, mode);
        }
    }
    RestoreDC(dc, saved);
    EndPaint(hwnd, &ps);
}
