#include "shell/paint_win32.h"

#include "files/config.h"
#include "shell/main_window_state_win32.h"
#include "shell/forecast_state.h"
#include "shell/monitor.h"
#include "view/curve_view.h"
#include "view/forecast_view.h"
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

namespace {

// The highest row the lower panel's drawing reaches: its title stands half a line above the
// panel line.
int PanelDrawingTop() { return RegionRect(Region::kPanel).top - L(kTableFontHeight); }

}  // namespace

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
        MainWindowState& state = StateOf(hwnd);
        if (!state.frozen) {
            DrawCurveFrame(canvas, Target::kScreen, state.screenCurve);
            DrawCurvePoints(canvas, Target::kScreen, state.screenCurve);
        }
        DrawPowerBar(canvas);
        // The panel's drawing is clipped away when only the upper part is repainted (the curve
        // at every new point): it is skipped then, which leaves the same pixels.
        if (ps.rcPaint.bottom > PanelDrawingTop()) {
            const Display display = CurrentDisplay();
            if (display == Display::kParameterTable) {
                DrawParameterTable(canvas, client.right);
            } else if (display == Display::kForecast) {
                DrawForecastView(canvas, ActiveForecast(MonitorOf(hwnd).forecast), Target::kScreen);
            } else {
                const int kind = static_cast<int>(display);
                DrawStatisticsFrame(canvas, kind, Target::kScreen);
                DrawStatisticsBars(canvas, kind);
            }
        }
    }
    RestoreDC(dc, saved);
    EndPaint(hwnd, &ps);
}
