// Main window: start-up sequence, message loop and the window procedure, which only dispatches.
#include "shell/main_window_win32.h"
#include "text/message.h"
#include "text/text_ids.h"

#include <commctrl.h>

#include "files/config.h"
#include "files/statistics_file.h"
#include "link/connection.h"
#include "link/frame_codec.h"
#include "model/model.h"
#include "link/serial_link_win32.h"
#include "shell/language_switch_win32.h"
#include "text/message_win32.h"
#include "res/resource.h"
#include "shell/commands_win32.h"
#include "shell/debug_window_win32.h"
#include "shell/forecast_state.h"
#include "shell/legend_window_win32.h"
#include "shell/main_window_state_win32.h"
#include "shell/monitor.h"
#include "link/link.h"
#include "link/serial_state_win32.h"
#include "shell/paint_win32.h"
#include "shell/plant_link_win32.h"
#include "shell/platform_glue_win32.h"
#include "shell/platform_win32.h"
#include "shell/snapshot_win32.h"
#include "shell/timer_tick.h"
#include "view/drawing_resources_win32.h"
#include "view/forecast_view.h"
#include "view/layout.h"

namespace {

// The caption says when cycles are not being saved (the file in use failed to load, or its last
// save failed) and when the active cut's tool has fewer cycles left than the warning level, in the
// language in use. Checked after each command and at each tick (the reader thread's autosave
// changes it too); the window's text is set only when it changes.
void ShowCaption(HWND hwnd) {
    MainWindowState& state = StateOf(hwnd);
    char caption[kCaptionSize];
    lstrcpynA(caption, state.start.caption, kTitleSize);
    StatisticsFileState& files = MonitorOf(hwnd).statisticsFile;
    if (StatisticsAutosaveHeld(files) || AutosaveFailing(files)) {
        lstrcatA(caption, " - ");
        lstrcatA(caption, GetText(kTextStatisticsNotSaved));  // "Failed saving statistics"
    }
    char warning[2 * kTextSize];
    ForecastWarningText(ActiveForecast(MonitorOf(hwnd).forecast, MonitorOf(hwnd).model),
                        kForecastWarningCycles, warning, sizeof warning);
    if (warning[0] != '\0') {
        lstrcatA(caption, " - ");
        lstrcatA(caption, warning);
    }
    if (lstrcmpA(caption, state.captionShown) == 0) return;
    lstrcpyA(state.captionShown, caption);
    SetWindowTextA(hwnd, caption);
}

// At every tick: the caption, and the one message of a run of failed autosaves (its first error),
// one box at a time.
void ReportAutosave(HWND hwnd) {
    ShowCaption(hwnd);
    MainWindowState& state = StateOf(hwnd);
    if (state.autosaveMessageOpen) return;
    int32_t error = 0;
    if (!TakeAutosaveFailureMessage(MonitorOf(hwnd).statisticsFile, &error)) return;
    state.autosaveMessageOpen = true;
    ShowMessage(hwnd, kTextStatisticsNotSaved, kCaptionError, error);
    StateOf(hwnd).autosaveMessageOpen = false;  // the window may have gone meanwhile
}

// A close while cycles since the start are in no file would lose them: the last autosave failed,
// or the autosave is held because the file in use failed to load. The user may save them
// elsewhere first (Save statistics, with its own message should that fail too).
void OnClose(HWND hwnd) {
    StatisticsFileState& files = MonitorOf(hwnd).statisticsFile;
    if ((AutosaveFailing(files) || StatisticsAutosaveHeld(files)) &&
        AskYesNo(hwnd, kTextSaveStatisticsElsewhere))
        static_cast<void>(RunCommand(hwnd, IDM_SAVE_STATISTICS));
    DestroyWindow(hwnd);
}

LRESULT OnCreate(HWND hwnd) {
    if (StateOf(hwnd).start.screenTooSmall && !AskYesNo(hwnd, kTextScreenTooSmall)) {
        PostQuitMessage(0);
        return 0;
    }
    ConfigurationRecord& config = MonitorOf(hwnd).config;
    if (const int32_t r = LoadConfiguration(config))
        ShowMessage(hwnd, kTextConfigurationFailed, kCaptionError, r);
    AnchorStatisticsFileInUse(MonitorOf(hwnd).statisticsFile);
    // A file in use that fails to load is left as it is: the autosave waits for the user.
    if (const int32_t r = LoadStatisticsInUse(MonitorOf(hwnd).statisticsFile))
        ShowMessage(hwnd, kTextStatisticsNotLoaded, kCaptionError, r);
    StartForecast(MonitorOf(hwnd).forecast, MonitorOf(hwnd).statistics);
    ShowCaption(hwnd);
    InstallPlatformSeams(hwnd);
    SetMenu(hwnd, LoadLanguageMenu(config.languageBase));
    SetMenuChecks(GetMenu(hwnd), 0, config.languageBase, config.DisplayMode);
    OpenPortAtStart(MonitorOf(hwnd).link);  // writes the parameter defaults first
    StartPlantLink(StateOf(hwnd).plant, hwnd, config, MonitorOf(hwnd).model);
    SetTimer(hwnd, kTimerId, kTimerPeriodMs, nullptr);
    CreateDrawingResources(StateOf(hwnd).drawing, MonitorOf(hwnd).layout);
    return 0;
}

void OnDestroy(HWND hwnd) {
    KillTimer(hwnd, kTimerId);
    // Closing the link first: its reader may be waiting for this thread (end-of-cycle request);
    // CloseLink serves such requests while it waits for the threads to end.
    CloseLink(*StateOf(hwnd).start.serial);
    StopPlantLink(StateOf(hwnd).plant);  // after the link: no cycle end is on its way to it any more
    DeleteDrawingResources(StateOf(hwnd).drawing);
    DeleteCycleSnapshot(StateOf(hwnd).snapshot);
    PostQuitMessage(0);
}

void OnKeyDown(HWND hwnd, int virtualKey) {
    Link& link = MonitorOf(hwnd).link;
    switch (HandleKeyDown(link, virtualKey)) {
        case KeyAction::kSendAcknowledge:
            // A frame the full ring refused is gone: the operator presses the key again.
            static_cast<void>(SendCodeFrame(link, kAcknowledgeCode));
            break;
        case KeyAction::kToggleFreeze: {
            bool& frozen = StateOf(hwnd).frozen;
            if (frozen) InvalidateRegion(hwnd, Region::kCurve, true);
            frozen = !frozen;
        } break;
        case KeyAction::kNone:
            break;
    }
}

bool RegisterWindowClasses(HINSTANCE instance, HBRUSH background, const char* className) {
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_ZAVIZE));
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    // The main window keeps a DC of its own: a common DC is reset at every GetDC and BeginPaint,
    // which under Wine's X11 driver selects its font again and reads the X resources anew, about
    // 35 times a second while the curve moves.
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hIcon = icon;

    wc.lpfnWndProc = MainWindowProc;
    wc.hbrBackground = background;
    wc.lpszMenuName = nullptr;  // the menu of the language in use is set at creation
    wc.lpszClassName = className;
    wc.hIconSm = icon;
    if (!RegisterClassExA(&wc)) return false;

    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = LegendWindowProc;
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = kLegendClassName;
    if (!RegisterClassExA(&wc)) return false;

    wc.lpfnWndProc = DebugWindowProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kDebugClassName;
    wc.hIconSm = nullptr;
    return RegisterClassExA(&wc) != 0;
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_NCCREATE:
            AttachMainWindowState(hwnd, static_cast<const MainWindowStart*>(
                                            reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        case WM_NCDESTROY:
            DetachMainWindowState(hwnd);
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        case WM_CREATE:
            return OnCreate(hwnd);
        case WM_DESTROY:
            OnDestroy(hwnd);
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        case WM_PAINT:
            PaintMainWindow(hwnd);
            return 0;
        case WM_ERASEBKGND:
            if (StateOf(hwnd).frozen) return 1;
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        case WM_KEYDOWN:
            OnKeyDown(hwnd, static_cast<int>(wParam));
            return 0;
        case WM_KEYUP:
            HandleKeyUp(MonitorOf(hwnd).link);
            return 0;
        case WM_TIMER:
            if (wParam == kTimerId) {
                TimerTick(MonitorOf(hwnd));
                PaintAtTick(hwnd);
                ReportAutosave(hwnd);
                PlantLinkTick(StateOf(hwnd).plant);
            }
            return 0;
        case WM_CLOSE:
            OnClose(hwnd);
            return 0;
        case WM_COMMAND:
            if (RunCommand(hwnd, LOWORD(wParam))) {
                ShowCaption(hwnd);
                return 0;
            }
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

int RunProgram(HINSTANCE instance, int showCommand) {
    // The monitor record and its serial link are the start-up sequence's: they outlive the window.
    MonitorOwner monitor = NewMonitor();
    if (!monitor) return 1;
    SerialLink serial;
    serial.link = &monitor->link;
    InitCommonControls();
    ReadTextsIn(monitor->config);  // the presets (English) until the file is read
    gInstance = instance;
    MainWindowStart start;
    start.monitor = monitor.get();
    start.serial = &serial;
    if (LoadStringA(instance, IDS_CAPTION, start.caption, sizeof start.caption) == 0)
        lstrcpyA(start.caption, "ZavIze");
    char className[kTitleSize];
    if (LoadStringA(instance, IDS_CLASSNAME, className, sizeof className) == 0) lstrcpyA(className, "ZAVIZE");

    HBRUSH background = CreateSolidBrush(RGB(229, 229, 229));
    int exitCode = 0;
    if (RegisterWindowClasses(instance, background, className)) {
        const LayoutChoice layout =
            ChooseLayout(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        monitor->layout = Layout{layout.layoutIndex};
        start.screenTooSmall = layout.tooSmall;
        HWND hwnd = CreateWindowExA(0, className, start.caption, WS_OVERLAPPED | WS_SYSMENU | WS_MINIMIZEBOX,
                                    layout.x, layout.y, monitor->layout(kWindowWidth),
                                    monitor->layout(kWindowHeight), nullptr, nullptr, instance, &start);
        if (hwnd != nullptr) {
            ShowWindow(hwnd, showCommand);
            UpdateWindow(hwnd);
            HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
            MSG m{};
            while (GetMessageA(&m, nullptr, 0, 0) > 0) {
                if (accelerators != nullptr && TranslateAcceleratorA(m.hwnd, accelerators, &m)) continue;
                TranslateMessage(&m);
                DispatchMessageA(&m);
            }
            exitCode = static_cast<int>(m.wParam);
            // The quit may come from the resolution question, with the window still there.
            if (IsWindow(hwnd)) DestroyWindow(hwnd);
        }
    }
    UnregisterClassA(kDebugClassName, instance);
    UnregisterClassA(kLegendClassName, instance);
    UnregisterClassA(className, instance);
    DeleteObject(background);
    return exitCode;
}
