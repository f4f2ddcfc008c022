#include "shell/debug_window_win32.h"

#include <cstring>

#include "link/cycle_messages.h"
#include "link/interpreter.h"
#include "model/model.h"
#include "shell/cycle_journal.h"
#include "shell/debug_view.h"
#include "shell/monitor.h"
#include "shell/plant_link_win32.h"
#include "shell/platform_win32.h"
#include "view/layout.h"

const char kDebugClassName[] = "DEBUG";

namespace {

// Per window: kept in the window's user data (each command creates a further window).
struct DebugWindowState {
    DebugLogReader reader;
    int lineHeight;
    int clientHeight;
    char captionShown[320];  // room for the longest link error after the journal's counts
    const PlantLink* plant;  // the main window's, which outlives its child windows
    Monitor* monitor;        // the same
};

// CreateWindowEx's parameter.
struct DebugWindowInputs {
    const PlantLink* plant;
    Monitor* monitor;
};

// The caption tells what the journal could not write and what the interpreter passed over (never
// shown as a message: it happens on the reader thread, at every cycle end) and, while the plant
// link is on, its state and the cycles waiting for the broker.
constexpr UINT_PTR kStatusTimer = 1;

void ShowJournalStatus(HWND hwnd, DebugWindowState& state, bool always) {
    const Monitor& m = *state.monitor;
    const PassedOver now{JournalWriteFailures(m.journal), JournalLinesWaiting(m.journal),
                         JournalLinesLost(m.journal), Load(m.link.ignoredCycleEnds)};
    char text[sizeof state.captionShown];
    JournalStatusText(now, text, sizeof text);
    const PlantLinkStatus link = PlantLinkStatusNow(*state.plant);
    if (link.state != PlantLinkState::kOff) {
        const std::size_t n = std::strlen(text);
        std::strcpy(text + n, " - ");
        PlantLinkStatusText(link, text + n + 3, sizeof text - n - 3);
    }
    if (!always && std::strcmp(text, state.captionShown) == 0) return;
    std::strcpy(state.captionShown, text);
    SetWindowTextA(hwnd, text);
}

DebugWindowState* StateOf(HWND hwnd) {
    return reinterpret_cast<DebugWindowState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

void OnCreate(HWND hwnd, const CREATESTRUCTA& create) {
    auto* state = new DebugWindowState{};
    const auto* inputs = static_cast<const DebugWindowInputs*>(create.lpCreateParams);
    state->plant = inputs->plant;
    state->monitor = inputs->monitor;
    HDC dc = GetDC(hwnd);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    ReleaseDC(hwnd, dc);
    RECT client;
    GetClientRect(hwnd, &client);
    state->lineHeight = tm.tmHeight > 0 ? tm.tmHeight : 16;
    state->clientHeight = client.bottom;
    StartDebugLogReader(state->reader, state->monitor->link.debugLog,
                        state->clientHeight / state->lineHeight);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    ShowJournalStatus(hwnd, *state, true);
    // The caption follows the plant link while no frame arrives too (an idle unit, a broker that
    // went away or a link started again): it is looked at twice a second, not only at a paint.
    SetTimer(hwnd, kStatusTimer, 500, nullptr);
    Store(state->monitor->link.debugLog.debugFlag, 1);
}

void OnPaint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    DebugWindowState* state = StateOf(hwnd);
    if (dc != nullptr && state != nullptr) {
        const UINT oldAlign = SetTextAlign(dc, TA_BOTTOM | TA_LEFT);
        // Lines are drawn over the old picture, bottom-aligned: the newest at the bottom.
        ShowNewDebugLines(state->reader, state->monitor->link.debugLog,
                          [&](int rowsAboveBottom, const char* text) {
                              const int y = state->clientHeight - rowsAboveBottom * state->lineHeight;
                              TextOutA(dc, 1, y, text, static_cast<int>(std::strlen(text)));
                          });
        SetTextAlign(dc, oldAlign);
    }
    EndPaint(hwnd, &ps);
    if (state != nullptr) ShowJournalStatus(hwnd, *state, false);
}

}  // namespace

LRESULT CALLBACK DebugWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            OnCreate(hwnd, *reinterpret_cast<const CREATESTRUCTA*>(lParam));
            return 0;
        case WM_PAINT:
            OnPaint(hwnd);
            return 0;
        case WM_TIMER:
            if (DebugWindowState* s = StateOf(hwnd); s != nullptr && wParam == kStatusTimer)
                ShowJournalStatus(hwnd, *s, false);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // never erased: new lines are drawn over the old picture
        case WM_LBUTTONDOWN:
            if (DebugWindowState* s = StateOf(hwnd)) s->reader.running = !s->reader.running;
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        case WM_CLOSE:
            if (DebugWindowState* s = StateOf(hwnd)) Store(s->monitor->link.debugLog.debugFlag, 0);
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        case WM_NCDESTROY:
            delete StateOf(hwnd);
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

HWND OpenDebugWindow(HWND mainWindow, const PlantLink& plant, Monitor& monitor) {
    DebugWindowInputs inputs{&plant, &monitor};
    RECT client;
    GetClientRect(mainWindow, &client);
    const int top = monitor.layout(kCurveBaseline) + 20;
    HWND w = CreateWindowExA(0, kDebugClassName, "", WS_CHILD | WS_CAPTION | WS_VSCROLL | WS_SYSMENU, 0, top,
                             client.right, client.bottom - top, mainWindow, nullptr, gInstance, &inputs);
    if (w != nullptr) ShowWindow(w, SW_SHOW);
    return w;
}
