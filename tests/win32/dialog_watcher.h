// Looks at the modal dialog or message box that code under test opens, then answers it.
//
// The code under test runs its modal loop on the test thread; a watcher thread waits for a visible
// dialog window of this process, records its caption and controls, and posts the chosen button.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

struct SeenControl {
    int id;
    std::string className;
    std::string text;
    LONG style;
    RECT rect;   // in the dialog's client coordinates
    HICON icon;  // of an icon static, else null
};

struct SeenDialog {
    bool found = false;
    bool closedByAnswer = false;  // the dialog went away after the chosen button
    std::string caption;
    LONG style = 0;
    std::vector<SeenControl> controls;  // in the dialog's child order

    const SeenControl* Control(int id) const {
        for (const SeenControl& c : controls)
            if (c.id == id) return &c;
        return nullptr;
    }
    // The texts of the static controls that show text, top to bottom as created.
    std::vector<std::string> StaticTexts() const {
        std::vector<std::string> texts;
        for (const SeenControl& c : controls)
            if (c.className == "Static" && (c.style & SS_TYPEMASK) != SS_ICON && !c.text.empty())
                texts.push_back(c.text);
        return texts;
    }
    HICON Icon() const {
        for (const SeenControl& c : controls)
            if (c.icon != nullptr) return c.icon;
        return nullptr;
    }
    // A push button the user can see and press.
    bool HasButton(int id) const {
        const SeenControl* c = Control(id);
        return c != nullptr && c->className == "Button" && (c->style & WS_VISIBLE) != 0;
    }
};

namespace dialog_watcher_detail {

inline std::string WindowText(HWND w) {
    char text[512] = "";
    GetWindowTextA(w, text, sizeof text);
    return text;
}

inline std::string ClassOf(HWND w) {
    char name[64] = "";
    GetClassNameA(w, name, sizeof name);
    return name;
}

inline BOOL CALLBACK FindDialog(HWND w, LPARAM p) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process == GetCurrentProcessId() && ClassOf(w) == "#32770" && IsWindowVisible(w)) {
        *reinterpret_cast<HWND*>(p) = w;
        return FALSE;
    }
    return TRUE;
}

inline SeenDialog Inspect(HWND dialog) {
    SeenDialog seen;
    seen.found = true;
    seen.caption = WindowText(dialog);
    seen.style = GetWindowLongA(dialog, GWL_STYLE);
    for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        SeenControl control{GetDlgCtrlID(c), ClassOf(c), WindowText(c), GetWindowLongA(c, GWL_STYLE), {},
                            nullptr};
        GetWindowRect(c, &control.rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&control.rect), 2);
        if (control.className == "Static" && (control.style & SS_TYPEMASK) == SS_ICON)
            control.icon = reinterpret_cast<HICON>(SendMessageA(c, STM_GETICON, 0, 0));
        seen.controls.push_back(control);
    }
    return seen;
}

}  // namespace dialog_watcher_detail

// Runs show() on this thread; the dialog it opens is recorded, handed to beforeAnswer (when
// given) and answered with the command `button` (IDOK, IDYES, ...). When no dialog appears
// within 10 s, `found` stays false.
inline SeenDialog WatchDialog(const std::function<void()>& show, int button,
                              const std::function<void(HWND)>& beforeAnswer = {}) {
    using namespace dialog_watcher_detail;
    SeenDialog seen;
    std::thread watcher([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            HWND dialog = nullptr;
            EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&dialog));
            if (dialog != nullptr) {
                seen = Inspect(dialog);
                if (beforeAnswer) beforeAnswer(dialog);
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
                for (int i = 0; i < 500 && IsWindow(dialog); ++i) Sleep(10);
                seen.closedByAnswer = !IsWindow(dialog);
                // Still open: try Cancel and the close box, so that the test reports rather than hangs.
                if (!seen.closedByAnswer) {
                    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                    PostMessageA(dialog, WM_CLOSE, 0, 0);
                }
                return;
            }
            Sleep(10);
        }
    });
    show();
    watcher.join();
    return seen;
}
