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
#include "shell/legend_window_win32.h"
#include "shell/paint_win32.h"
#include "shell/platform_glue_win32.h"
#include "shell/platform_win32.h"
#include "shell/snapshot_win32.h"
#include "shell/timer_tick.h"
#include "view/drawing_resources_win32.h"
#include "view/layout.h"

bool gFrozen = false;

namespace {

constexpr int kTitleSize = 101;  // string resources of up to 100 characters

char gCaption[kTitleSize];
char gClassName[kTitleSize];
bool gScreenTooSmall = false;

LRESULT OnCreate(HWND hwnd) {
    if (gScreenTooSmall && !AskYesNo(hwnd, kTextScreenTooSmall)) {
        PostQuitMessage(0);
        return 0;
    }
    if (const int32_t r = LoadConfiguration()) ShowMessage(hwnd, kTextConfigurationFailed, kCaptionError, r);
    if (const int32_t r = LoadStatisticsFile(gConfig.statisticsFileName))
        ShowMessage(hwnd, kTextStatisticsNotLoaded, kCaptionError, r);
    gMainWindow = hwnd;
    InstallPlatformSeams();
    SetMenu(hwnd, LoadLanguageMenu(gConfig.languageBase));
    SetMenuChecks(GetMenu(hwnd), 0, gConfig.languageBase, gConfig.DisplayMode);
    OpenPortAtStart();
    SetTimer(hwnd, kTimerId, kTimerPeriodMs, nullptr);
    CreateDrawingResources();
    WriteParameterDefaults();
    return 0;
}

void OnDestroy() {
    KillTimer(gMainWindow, kTimerId);
    // Closing the link first: its reader may be waiting for this thread (end-of-cycle request);
    // CloseLink serves such requests while it waits for the threads to end.
    CloseLink();
    DeleteDrawingResources();
    DeleteCycleSnapshot();
    PostQuitMessage(0);
}

void OnKeyDown(HWND hwnd, int virtualKey) {
    switch (HandleKeyDown(virtualKey)) {
        case KeyAction::kSendAcknowledge:
            // A frame the full ring refused is gone: the operator presses the key again.
            static_cast<void>(SendCodeFrame(kAcknowledgeCode));
            break;
        case KeyAction::kToggleFreeze:
            if (gFrozen) InvalidateRegion(hwnd, Region::kCurve, true);
            gFrozen = !gFrozen;
            break;
        case KeyAction::kNone:
            break;
    }
}

bool RegisterWindowClasses(HINSTANCE instance, HBRUSH background) {
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_ZAVIZE));
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hIcon = icon;

    wc.lpfnWndProc = MainWindowProc;
    wc.hbrBackground = background;
    wc.lpszMenuName = MAKEINTRESOURCEA(106);  // no such menu: the real one is set at creation
    wc.lpszClassName = gClassName;
    wc.hIconSm = icon;
    if (!RegisterClassExA(&wc)) return false;

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
        case WM_CREATE:
            return OnCreate(hwnd);
        case WM_DESTROY:
            OnDestroy();
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        case WM_PAINT:
            PaintMainWindow(hwnd);
            return 0;
        case WM_ERASEBKGND:
            if (gFrozen) return 1;
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        case WM_KEYDOWN:
            OnKeyDown(hwnd, static_cast<int>(wParam));
            return 0;
        case WM_KEYUP:
            HandleKeyUp();
            return 0;
        case WM_TIMER:
            if (wParam == kTimerId) TimerTick();
            return 0;
        case WM_COMMAND:
            if (RunCommand(hwnd, LOWORD(wParam))) return 0;
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

int RunProgram(HINSTANCE instance, int showCommand) {
    InitCommonControls();
    PresetConfiguration();
    ResetModel();
    gInstance = instance;
    if (LoadStringA(instance, IDS_CAPTION, gCaption, sizeof gCaption) == 0) lstrcpyA(gCaption, "ZavIze");
    if (LoadStringA(instance, IDS_CLASSNAME, gClassName, sizeof gClassName) == 0)
        lstrcpyA(gClassName, "ZAVIZE");

    HBRUSH background = CreateSolidBrush(RGB(229, 229, 229));
    int exitCode = 0;
    if (RegisterWindowClasses(instance, background)) {
        const LayoutChoice layout =
            ChooseLayout(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        LayoutIndex = layout.layoutIndex;
        gScreenTooSmall = layout.tooSmall;
        HWND hwnd =
            CreateWindowExA(0, gClassName, gCaption, WS_OVERLAPPED | WS_SYSMENU | WS_MINIMIZEBOX, layout.x,
                            layout.y, L(kWindowWidth), L(kWindowHeight), nullptr, nullptr, instance, nullptr);
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
    UnregisterClassA(gClassName, instance);
    DeleteObject(background);
    return exitCode;
}
