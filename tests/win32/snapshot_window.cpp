#include "tests/win32/snapshot_window.h"

std::atomic<int> gSnapshotsTaken{0};
std::atomic<DWORD> gSnapshotMilliseconds{20};

namespace {

LRESULT CALLBACK SnapshotWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == kSnapshotCommand) {
        Sleep(gSnapshotMilliseconds.load());
        ++gSnapshotsTaken;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HWND CreateSnapshotWindow() {
    static const ATOM windowClass = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = SnapshotWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "LinkTestSnapshot";
        return RegisterClassA(&wc);
    }();
    if (windowClass == 0) return nullptr;
    // Message-only: it needs no display, and SendMessageA reaches it like any window.
    return CreateWindowExA(0, "LinkTestSnapshot", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}
