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
    CurveCursor& curve = StateOf(hwnd).screenCurve;
    if (region == Region::kNewPoints) {
        // Only the new points' columns and the numbers that changed, drawn over what is there.
        Rect asked[kMaxAskedRects];
        const int n = AskForNewPoints(MonitorOf(hwnd).model, MonitorOf(hwnd).layout, curve, asked);
        for (int i = 0; i < n; ++i) {
            const RECT rect{asked[i].left, asked[i].top, asked[i].right, asked[i].bottom};
            InvalidateRect(hwnd, &rect, erase);
        }
        return;
    }
    if (region == Region::kWholeWindow || region == Region::kCurve) AskForWholeCurve(curve);
    if (region == Region::kWholeWindow) {
        InvalidateRect(hwnd, nullptr, erase);
        return;
    }
    const Rect r = RegionRect(region, MonitorOf(hwnd).layout);
    const RECT rect{r.left, r.top, r.right, r.bottom};
    InvalidateRect(hwnd, &rect, erase);
}

namespace {

// The highest row the lower panel's drawing reaches: its title stands half a line above the
// panel line.
int PanelDrawingTop(const Layout& layout) {
    return RegionRect(Region::kPanel, layout).top - layout(kTableFontHeight);
}

// Whether the paint reaches the curve's drawing anywhere but where the curve asked for it: the
// window was uncovered, or a lamp, a label or the whole window was invalidated. The curve draws
// nothing in the power bar nor from the panel's top row down. Asked on the paint's own clipping
// (the update region), which is put back afterwards.
bool OtherCurveDamage(HDC dc, const CurveCursor& curve, const Layout& layout, const RECT& client) {
    const int saved = SaveDC(dc);
    Rect asked[kMaxAskedRects];
    const int n = AskedRects(curve, layout, asked);
    for (int i = 0; i < n; ++i)
        ExcludeClipRect(dc, asked[i].left, asked[i].top, asked[i].right, asked[i].bottom);
    const Rect bar = RegionRect(Region::kPowerBar, layout);
    ExcludeClipRect(dc, bar.left, bar.top, bar.right, bar.bottom);
    ExcludeClipRect(dc, client.left, layout(kPanelTop), client.right, client.bottom);
    RECT box;
    const int kind = GetClipBox(dc, &box);
    RestoreDC(dc, saved);
    return kind != NULLREGION;
}

}  // namespace

void PaintMainWindow(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc == nullptr) return;
    const int saved = SaveDC(dc);
    {
        RECT client;
        GetClientRect(hwnd, &client);
        MainWindowState& state = StateOf(hwnd);
        Monitor& monitor = MonitorOf(hwnd);
        const bool other = !state.frozen && !state.screenCurve.wholeAsked &&
                           OtherCurveDamage(dc, state.screenCurve, monitor.layout, client);
        GdiCanvas canvas(dc, state.drawing);
        // While frozen the last picture of the curve stays on screen.
        if (!state.frozen) PaintScreenCurve(canvas, monitor.model, state.screenCurve, other);
        DrawPowerBar(canvas, monitor.model);
        // The panel's drawing is clipped away when only the upper part is repainted (the curve
        // at every new point): it is skipped then, which leaves the same pixels.
        if (ps.rcPaint.bottom > PanelDrawingTop(monitor.layout)) {
            const Display display = CurrentDisplay(monitor.config);
            if (display == Display::kParameterTable) {
                DrawParameterTable(canvas, monitor.model, client.right);
            } else if (display == Display::kForecast) {
                DrawForecastView(canvas, ActiveForecast(monitor.forecast, monitor.model), Target::kScreen);
            } else {
                const StatisticsKind kind = StatisticsKindOf(display);
                DrawStatisticsFrame(canvas, monitor.model, monitor.statistics, kind, Target::kScreen,
                                    monitor.config.statisticsFileName);
                DrawStatisticsBars(canvas, monitor.model, monitor.statistics, kind, monitor.screenStatistics);
            }
        }
    }
    RestoreDC(dc, saved);
    EndPaint(hwnd, &ps);
}
