// Drives a running zavize.exe from inside the same Wine prefix: finds its main window (class
// "ZAVIZE") and posts commands and keys to it, which is steadier than synthesising X input.
//
//   zavize_driver wait-window SECONDS       exit 0 once the main window exists
//   zavize_driver command ID                post WM_COMMAND ID to the main window
//   zavize_driver key VK                    post WM_KEYDOWN then WM_KEYUP
//   zavize_driver close                     post WM_CLOSE
//   zavize_driver wait-gone SECONDS         exit 0 once the main window is gone
//   zavize_driver message SECONDS           print the caption and text of the first message box
//                                           owned by the program, then press its OK button
//   zavize_driver no-message SECONDS        exit 1 if a message box appears within SECONDS
//   zavize_driver window-rect               print the main window's screen rectangle
//   zavize_driver client-origin             print the screen position of the client area's (0, 0)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND MainWindow() { return FindWindowA("ZAVIZE", nullptr); }

HWND WaitMainWindow(double seconds) {
    for (int i = 0; i < seconds * 20; ++i) {
        if (HWND w = MainWindow()) return w;
        Sleep(50);
    }
    return nullptr;
}

struct Search {
    DWORD process;
    HWND found;
};

// A message box is a dialog (#32770) of the program's process with a static text control.
BOOL CALLBACK FindMessageBox(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    char cls[32] = {};
    GetClassNameA(w, cls, sizeof cls);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == s->process && std::strcmp(cls, "#32770") == 0 && IsWindowVisible(w)) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

HWND WaitMessageBox(double seconds) {
    HWND main = WaitMainWindow(seconds);
    if (main == nullptr) return nullptr;
    Search s{0, nullptr};
    GetWindowThreadProcessId(main, &s.process);
    for (int i = 0; i < seconds * 20; ++i) {
        s.found = nullptr;
        EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&s));
        if (s.found != nullptr) return s.found;
        Sleep(50);
    }
    return nullptr;
}

BOOL CALLBACK PrintStatic(HWND w, LPARAM) {
    char cls[32] = {}, text[512] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(w, text, sizeof text) > 0) std::printf("text=%s\n", text);
    return TRUE;
}

int Fail(const char* what) {
    std::fprintf(stderr, "zavize_driver: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Fail("usage: zavize_driver wait-window|command|key|close|wait-gone|message|no-message|window-rect");
    const char* verb = argv[1];
    const double arg = argc > 2 ? std::atof(argv[2]) : 10;
    if (std::strcmp(verb, "wait-window") == 0) return WaitMainWindow(arg) ? 0 : Fail("no main window");
    if (std::strcmp(verb, "wait-gone") == 0) {
        for (int i = 0; i < arg * 20; ++i) {
            if (MainWindow() == nullptr) return 0;
            Sleep(50);
        }
        return Fail("main window still there");
    }
    HWND main = WaitMainWindow(10);
    if (std::strcmp(verb, "message") == 0 || std::strcmp(verb, "no-message") == 0) {
        HWND box = WaitMessageBox(arg);
        if (std::strcmp(verb, "no-message") == 0) {
            if (box == nullptr) return 0;
            char caption[256] = {};
            GetWindowTextA(box, caption, sizeof caption);
            std::printf("caption=%s\n", caption);
            EnumChildWindows(box, PrintStatic, 0);
            return Fail("unexpected message box");
        }
        if (box == nullptr) return Fail("no message box");
        char caption[256] = {};
        GetWindowTextA(box, caption, sizeof caption);
        std::printf("caption=%s\n", caption);
        EnumChildWindows(box, PrintStatic, 0);
        std::fflush(stdout);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return 0;
    }
    if (main == nullptr) return Fail("no main window");
    if (std::strcmp(verb, "command") == 0) return PostMessageA(main, WM_COMMAND, static_cast<WPARAM>(arg), 0) ? 0 : 1;
    if (std::strcmp(verb, "key") == 0) {
        PostMessageA(main, WM_KEYDOWN, static_cast<WPARAM>(arg), 1);
        Sleep(50);
        return PostMessageA(main, WM_KEYUP, static_cast<WPARAM>(arg), 0xC0000001) ? 0 : 1;
    }
    if (std::strcmp(verb, "close") == 0) return PostMessageA(main, WM_CLOSE, 0, 0) ? 0 : 1;
    if (std::strcmp(verb, "window-rect") == 0) {
        RECT r;
        GetWindowRect(main, &r);
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        return 0;
    }
    if (std::strcmp(verb, "client-origin") == 0) {
        POINT p{0, 0};
        ClientToScreen(main, &p);
        std::printf("%ld %ld\n", p.x, p.y);
        return 0;
    }
    return Fail("unknown verb");
}
