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
    MainWindowState& state = StateOf(hwnd);
    CurveCursor& curve = state.screenCurve;
    if (region == Region::kNewPoints) {
        // Only the new points' columns and the numbers that changed, drawn over what is there.
        Rect asked[kMaxAskedRects];
        const int n = AskForNewPoints(MonitorOf(hwnd).model, MonitorOf(hwnd).layout, curve, asked);
        // At the end of the tick, unless the curve started over (its whole region is repainted) or
        // the picture is frozen (what is asked for waits in the cursor).
        if (!curve.wholeAsked && !state.frozen) {
            state.pointsAtTick |= n > 0;
            return;
        }
        for (int i = 0; i < n; ++i) {
            const RECT rect{asked[i].left, asked[i].top, asked[i].right, asked[i].bottom};
            InvalidateRect(hwnd, &rect, erase);
        }
        return;
    }
    if (region == Region::kPowerBar && !erase) {
        state.barAtTick = true;
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

// Sets the DC's clip to the union of the rectangles; false when no region could be made.
bool ClipToRects(HDC dc, const Rect* rects, int n) {
    HRGN clip = CreateRectRgn(0, 0, 0, 0);
    for (int i = 0; clip != nullptr && i < n; ++i) {
        HRGN one = CreateRectRgn(rects[i].left, rects[i].top, rects[i].right, rects[i].bottom);
        if (one == nullptr || CombineRgn(clip, clip, one, RGN_OR) == ERROR) {
            DeleteObject(clip);
            clip = nullptr;
        }
        if (one != nullptr) DeleteObject(one);
    }
    const bool clipped = clip != nullptr && ExtSelectClipRgn(dc, clip, RGN_COPY) != ERROR;
    if (clip != nullptr) DeleteObject(clip);
    return clipped;
}

}  // namespace

void PaintAtTick(HWND hwnd) {
    MainWindowState& state = StateOf(hwnd);
    const bool points = state.pointsAtTick && !state.screenCurve.wholeAsked, bar = state.barAtTick;
    state.pointsAtTick = state.barAtTick = false;
    if (!points && !bar) return;
    const Monitor& monitor = MonitorOf(hwnd);
    Rect rects[kMaxAskedRects + 1];
    int n = points ? AskedRects(state.screenCurve, monitor.layout, rects) : 0;
    if (bar) rects[n++] = RegionRect(Region::kPowerBar, monitor.layout);
    // Clipped to exactly what a paint of these rectangles would repaint; a child window (the
    // debug list) keeps its pixels.
    HDC dc = GetDCEx(hwnd, nullptr, DCX_CLIPCHILDREN | DCX_CLIPSIBLINGS);
    if (dc == nullptr || !ClipToRects(dc, rects, n)) {
        // Without a DC or a clip the window repaints them as it would any other region.
        for (int i = 0; i < n; ++i) {
            const RECT rect{rects[i].left, rects[i].top, rects[i].right, rects[i].bottom};
            InvalidateRect(hwnd, &rect, FALSE);
        }
    } else {
        // The window's own DC keeps what is set in it: the text attributes the views set go back,
        // as a paint's SaveDC and RestoreDC put them back, and so does the clip.
        const UINT align = GetTextAlign(dc);
        const COLORREF text = GetTextColor(dc), background = GetBkColor(dc);
        {
            GdiCanvas canvas(dc, state.drawing);
            if (points) PaintScreenCurve(canvas, monitor.model, state.screenCurve, false);
            if (bar) DrawPowerBar(canvas, monitor.model);
        }
        SetTextAlign(dc, align);
        SetTextColor(dc, text);
        SetBkColor(dc, background);
        SelectClipRgn(dc, nullptr);
    }
    if (dc != nullptr) ReleaseDC(hwnd, dc);
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
