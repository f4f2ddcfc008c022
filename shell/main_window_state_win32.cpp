#include "shell/main_window_state_win32.h"

#include "shell/monitor.h"

void AttachMainWindowState(HWND hwnd, const MainWindowStart* start) {
    auto* state = new MainWindowState{};
    if (start != nullptr) state->start = *start;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
}

void DetachMainWindowState(HWND hwnd) {
    auto* state = reinterpret_cast<MainWindowState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    // WM_DESTROY deleted the drawing set already; a window that never got there must not leak it.
    if (state != nullptr) DeleteDrawingResources(state->drawing);
    delete state;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
}

MainWindowState& StateOf(HWND hwnd) {
    auto* state = reinterpret_cast<MainWindowState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (state != nullptr) return *state;
    static MainWindowState none;  // before WM_NCCREATE and after WM_NCDESTROY: nothing to keep
    none = MainWindowState{};
    return none;
}

Monitor& MonitorOf(HWND hwnd) { return *StateOf(hwnd).start.monitor; }
