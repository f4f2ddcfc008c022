// Main window: creation, the message loop. (Grows into the whole controller.)
#include "shell/main_window_win32.h"

#include <commctrl.h>

#include "files/config.h"
#include "shell/platform_win32.h"

namespace {

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

int RunProgram(HINSTANCE instance, int showCommand) {
    InitCommonControls();
    PresetConfiguration();
    gInstance = instance;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(RGB(229, 229, 229));
    wc.lpszClassName = "ZAVIZE";
    if (!RegisterClassExA(&wc)) return 0;
    HWND hwnd = CreateWindowExA(0, "ZAVIZE", "ZavIze", WS_OVERLAPPED | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                                800, 600, nullptr, nullptr, instance, nullptr);
    if (hwnd == nullptr) return 0;
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return static_cast<int>(m.wParam);
}
