#include "shell/legend_window_win32.h"
#include "text/text_ids.h"

#include "text/language.h"
#include "shell/main_window_state_win32.h"
#include "shell/monitor.h"
#include "shell/platform_win32.h"
#include "view/gdi_canvas_win32.h"
#include "view/layout.h"
#include "view/legend_view.h"

const char kLegendClassName[] = "LEGEND";

namespace {
constexpr int kLegendSize = 150;

void SetLegendCheck(HWND mainWindow, bool on) {
    CheckMenuItem(GetMenu(mainWindow), kLegendCommand, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}
}  // namespace

LRESULT CALLBACK LegendWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (dc != nullptr) {
                GdiCanvas canvas(dc, StateOf(GetWindow(hwnd, GW_OWNER)).drawing);
                DrawLegend(canvas);
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_CLOSE:
            SetLegendCheck(GetWindow(hwnd, GW_OWNER), false);
            StateOf(GetWindow(hwnd, GW_OWNER)).legend = nullptr;
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

void ToggleLegendWindow(HWND mainWindow) {
    HWND& legend = StateOf(mainWindow).legend;
    if (legend != nullptr) {
        HWND open = legend;
        legend = nullptr;
        DestroyWindow(open);
        SetLegendCheck(mainWindow, false);
        return;
    }
    RECT r;
    GetWindowRect(mainWindow, &r);
    const Layout& layout = MonitorOf(mainWindow).layout;
    legend = CreateWindowExA(0, kLegendClassName, GetText(kTextLegend), WS_POPUPWINDOW | WS_DLGFRAME,
                             r.left + layout(kLegendOffsetX), r.top + layout(kLegendOffsetY), kLegendSize,
                             kLegendSize, mainWindow, nullptr, gInstance, nullptr);
    if (legend != nullptr) {
        // Shown without taking the focus: Space and Pause keep working in the main window.
        ShowWindow(legend, SW_SHOWNOACTIVATE);
        SetFocus(mainWindow);
    }
    SetLegendCheck(mainWindow, true);  // also when creation failed, as the menu has always done
}
