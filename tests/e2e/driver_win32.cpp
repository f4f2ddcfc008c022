// Drives a running zavize.exe from inside the same Wine prefix: finds its main window (class
// "ZAVIZE") and posts commands and keys to it, which is steadier than synthesising X input.
//
//   zavize_driver wait-window SECONDS       exit 0 once the main window exists
//   zavize_driver command ID                post WM_COMMAND ID to the main window
//   zavize_driver key VK                    post WM_KEYDOWN then WM_KEYUP
//   zavize_driver close                     post WM_CLOSE
//   zavize_driver wait-gone SECONDS         exit 0 once the main window is gone
//   zavize_driver message SECONDS           print the caption and text of the first message box
//                                           owned by the program (a dialog that is not a file
//                                           dialog), then press its OK button
//   zavize_driver message SECONDS BUTTON    the same, answered with BUTTON (IDYES 6, IDNO 7)
//   zavize_driver answer SECONDS BUTTON [NAME]
//                                           the first dialog the program shows (a page-setup or file
//                                           dialog): print its caption, type NAME into its file name
//                                           field when given, then press BUTTON (1 OK, 2 Cancel)
//                                           A standard button (1..7) returns once the dialog has
//                                           closed or a question covers it.
//   zavize_driver no-message SECONDS        exit 1 if a message box appears within SECONDS
//   zavize_driver message-count SECONDS     once a message box is open (within SECONDS), print how
//                                           many the program shows; none is pressed
//   zavize_driver sheet SECONDS             print the caption of the parameter sheet once it is open
//   zavize_driver sheet-get PAGE CONTROL    bring page PAGE (0..5) of the sheet to the front and
//                                           print the text of its control
//   zavize_driver sheet-set PAGE CONTROL TEXT   bring the page to the front and type TEXT there
//   zavize_driver sheet-press apply|ok|cancel   press that button of the sheet
//   zavize_driver window-rect [CLASS]       print the screen rectangle of the main window, or of the
//                                           program's window of that class (a popup or a child of
//                                           the main window: "LEGEND", "DEBUG")
//   zavize_driver client-origin [CLASS]     print the screen position of that window's client (0, 0)
//   zavize_driver client-rect [CLASS]       print that window's client area as a screen rectangle
//   zavize_driver window-text CLASS         print the caption of the program's window of that class
//   zavize_driver caption                   print the main window's caption
//   zavize_driver file-dialog SECONDS NAME  type NAME into the program's file dialog and press OK
//   zavize_driver hold SECONDS FILE         open FILE without sharing (as another program may) and
//                                           keep it open for SECONDS; prints "held" once it is open
//
// With ZAVIZE_DESKTOP set to NAME, the program runs in the Wine virtual desktop NAME (started as
// `explorer /desktop=NAME,WxH zavize.exe`, which draws title bars for screenshots); the driver joins
// that desktop first, since windows are only found on the caller's own desktop.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

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

int Fail(const char* what) {
    std::fprintf(stderr, "zavize_driver: %s\n", what);
    return 1;
}

// The name box of a file dialog: a combo box or an edit, by template.
bool IsFileDialog(HWND w) { return GetDlgItem(w, 0x47c) != nullptr || GetDlgItem(w, 0x480) != nullptr; }

struct Search {
    DWORD process;
    HWND found;
    bool messages_only;  // a message box, not a file dialog that is still closing behind it
};

// A dialog (#32770) of the program's process; a message box is one that is not a file dialog.
BOOL CALLBACK FindMessageBox(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    char cls[32] = {};
    GetClassNameA(w, cls, sizeof cls);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == s->process && std::strcmp(cls, "#32770") == 0 && IsWindowVisible(w) &&
        !(s->messages_only && IsFileDialog(w))) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

HWND WaitDialog(double seconds, bool messages_only) {
    HWND main = WaitMainWindow(seconds);
    if (main == nullptr) return nullptr;
    Search s{0, nullptr, messages_only};
    GetWindowThreadProcessId(main, &s.process);
    for (int i = 0; i < seconds * 20; ++i) {
        s.found = nullptr;
        EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&s));
        if (s.found != nullptr) return s.found;
        Sleep(50);
    }
    return nullptr;
}

HWND WaitMessageBox(double seconds) { return WaitDialog(seconds, true); }
HWND WaitAnyDialog(double seconds) { return WaitDialog(seconds, false); }

// Posts a press of BUTTON to a dialog. A standard answer (IDOK..IDNO) ends the dialog, or opens a
// question over it, which disables it: the press returns once either has happened, so that the
// next step never finds the dialog it answered still on the screen.
bool Press(HWND dialog, int button) {
    if (!PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                      reinterpret_cast<LPARAM>(GetDlgItem(dialog, button))))
        return false;
    if (button < IDOK || button > IDNO) return true;
    for (int i = 0; i < 15 * 20; ++i) {
        if (!IsWindow(dialog) || !IsWindowVisible(dialog) || !IsWindowEnabled(dialog)) return true;
        Sleep(50);
    }
    return Fail("the answered dialog stayed open") == 0;
}

struct BoxCount {
    DWORD process;
    int count;
};

BOOL CALLBACK CountMessageBoxes(HWND w, LPARAM p) {
    auto* c = reinterpret_cast<BoxCount*>(p);
    Search one{c->process, nullptr, true};
    FindMessageBox(w, reinterpret_cast<LPARAM>(&one));
    if (one.found != nullptr) ++c->count;
    return TRUE;
}

BOOL CALLBACK PrintStatic(HWND w, LPARAM) {
    char cls[32] = {}, text[512] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(w, text, sizeof text) > 0)
        std::printf("text=%s\n", text);
    return TRUE;
}

// The desktop appears a moment after explorer starts, so it is waited for like the main window.
// Once joined, its handle stays open for the life of the process, as the thread uses it.
bool JoinDesktop() {
    const char* name = std::getenv("ZAVIZE_DESKTOP");
    if (name == nullptr || *name == '\0') return true;
    for (int i = 0; i < 30 * 20; ++i) {
        if (HDESK desktop = OpenDesktopA(name, 0, FALSE, GENERIC_ALL)) {
            if (SetThreadDesktop(desktop)) return true;
            CloseDesktop(desktop);
            return false;
        }
        Sleep(50);
    }
    return false;
}

// A popup of the program (the legend) is top-level; the debug window is a child of the main window.
HWND WindowOfClass(HWND main, const char* cls) {
    if (HWND w = FindWindowA(cls, nullptr)) return w;
    return FindWindowExA(main, nullptr, cls, nullptr);
}

int PrintGeometry(const char* verb, HWND w) {
    RECT r;
    if (std::strcmp(verb, "window-rect") == 0) {
        GetWindowRect(w, &r);
    } else {
        POINT origin{0, 0};
        ClientToScreen(w, &origin);
        GetClientRect(w, &r);
        OffsetRect(&r, origin.x, origin.y);
        if (std::strcmp(verb, "client-origin") == 0) {
            std::printf("%ld %ld\n", r.left, r.top);
            return 0;
        }
    }
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    return 0;
}

// The parameter sheet is the program's dialog with pages.
HWND FindSheet(double seconds) {
    HWND box = WaitAnyDialog(seconds);
    if (box == nullptr || SendMessageA(box, PSM_GETCURRENTPAGEHWND, 0, 0) == 0) return nullptr;
    return box;
}

int SheetVerb(int argc, char** argv) {
    const char* verb = argv[1];
    HWND sheet = FindSheet(std::strcmp(verb, "sheet") == 0 && argc > 2 ? std::atof(argv[2]) : 10);
    if (sheet == nullptr) return Fail("no parameter sheet");
    char text[256] = {};
    if (std::strcmp(verb, "sheet") == 0) {
        GetWindowTextA(sheet, text, sizeof text);
        std::printf("caption=%s\n", text);
        return 0;
    }
    if (std::strcmp(verb, "sheet-press") == 0 && argc > 2) {
        const int button = std::strcmp(argv[2], "apply") == 0 ? PSBTN_APPLYNOW
                           : std::strcmp(argv[2], "ok") == 0  ? PSBTN_OK
                                                              : PSBTN_CANCEL;
        if (button == PSBTN_APPLYNOW) {
            SendMessageA(sheet, PSM_PRESSBUTTON, button, 0);
            return 0;
        }
        return PostMessageA(sheet, PSM_PRESSBUTTON, button, 0) ? 0 : 1;
    }
    if (argc < 4) return Fail("sheet verbs need PAGE CONTROL");
    SendMessageA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(std::atoi(argv[2])), 0);
    HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    HWND control = GetDlgItem(page, std::atoi(argv[3]));
    if (control == nullptr) return Fail("no such control on the page");
    // Messages, not Get/SetWindowText: those do not reach a control of another process.
    if (std::strcmp(verb, "sheet-set") == 0 && argc > 4)
        return SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4])) ? 0 : 1;
    SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    std::printf("%s\n", text);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Fail(
            "usage: zavize_driver "
            "wait-window|command|key|close|wait-gone|message|message-count|answer|dialog-item|no-message|"
            "window-rect|client-origin|client-rect");
    if (!JoinDesktop()) return Fail("cannot join the desktop named by ZAVIZE_DESKTOP");
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
    if (std::strcmp(verb, "hold") == 0) {
        if (argc < 4) return Fail("usage: zavize_driver hold SECONDS FILE");
        HANDLE file =
            CreateFileA(argv[3], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return Fail("cannot open the file to hold");
        std::printf("held\n");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(arg * 1000));
        CloseHandle(file);
        return 0;
    }
    if (std::strncmp(verb, "sheet", 5) == 0) return SheetVerb(argc, argv);
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
        return Press(box, argc > 3 ? std::atoi(argv[3]) : IDOK) ? 0 : 1;
    }
    if (std::strcmp(verb, "message-count") == 0) {
        if (WaitMessageBox(arg) == nullptr) return Fail("no message box");
        BoxCount boxes{0, 0};
        GetWindowThreadProcessId(main, &boxes.process);
        EnumWindows(CountMessageBoxes, reinterpret_cast<LPARAM>(&boxes));
        std::printf("%d\n", boxes.count);
        return 0;
    }
    if (std::strcmp(verb, "file-dialog") == 0) {
        if (argc < 4) return Fail("usage: zavize_driver file-dialog SECONDS NAME");
        HWND box = WaitAnyDialog(arg);
        if (box == nullptr || !IsFileDialog(box)) return Fail("no file dialog");
        SetDlgItemTextA(box, 0x47c, argv[3]);
        SetDlgItemTextA(box, 0x480, argv[3]);
        return Press(box, IDOK) ? 0 : 1;
    }
    // dialog-item SECONDS ID [TEXT]: prints the text of a control of the open dialog, or sets it.
    if (std::strcmp(verb, "dialog-item") == 0) {
        if (argc < 4) return Fail("usage: zavize_driver dialog-item SECONDS ID [TEXT]");
        HWND dialog = WaitAnyDialog(arg);
        HWND item = dialog != nullptr ? GetDlgItem(dialog, std::atoi(argv[3])) : nullptr;
        if (item == nullptr) return Fail("no dialog with that control");
        if (argc > 4) return SendMessageA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4])) ? 0 : 1;
        // Asked with the message itself: GetWindowTextA does not ask an edit of another process.
        char text[512] = {};
        SendMessageA(item, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        std::printf("%s\n", text);
        return 0;
    }
    if (std::strcmp(verb, "answer") == 0) {
        if (argc < 4) return Fail("answer needs SECONDS BUTTON");
        HWND dialog = WaitAnyDialog(arg);
        if (dialog == nullptr) return Fail("no dialog");
        char caption[256] = {};
        GetWindowTextA(dialog, caption, sizeof caption);
        std::printf("caption=%s\n", caption);
        std::fflush(stdout);
        if (argc > 4) {
            // The file name field: an edit, or the combo box of the explorer-style dialogs.
            SetDlgItemTextA(dialog, 0x47c, argv[4]);
            SetDlgItemTextA(dialog, 0x480, argv[4]);
        }
        return Press(dialog, std::atoi(argv[3])) ? 0 : 1;
    }
    if (main == nullptr) return Fail("no main window");
    if (std::strcmp(verb, "caption") == 0) {
        char caption[256] = {};
        GetWindowTextA(main, caption, sizeof caption);
        std::printf("%s\n", caption);
        return 0;
    }
    if (std::strcmp(verb, "command") == 0)
        return PostMessageA(main, WM_COMMAND, static_cast<WPARAM>(arg), 0) ? 0 : 1;
    if (std::strcmp(verb, "key") == 0) {
        PostMessageA(main, WM_KEYDOWN, static_cast<WPARAM>(arg), 1);
        Sleep(50);
        return PostMessageA(main, WM_KEYUP, static_cast<WPARAM>(arg), 0xC0000001) ? 0 : 1;
    }
    if (std::strcmp(verb, "close") == 0) return PostMessageA(main, WM_CLOSE, 0, 0) ? 0 : 1;
    if (std::strcmp(verb, "window-text") == 0 && argc > 2) {
        HWND w = WindowOfClass(main, argv[2]);
        if (w == nullptr) return Fail("no window of that class");
        char text[512] = {};
        GetWindowTextA(w, text, sizeof text);
        std::printf("%s\n", text);
        return 0;
    }
    if (std::strcmp(verb, "window-rect") == 0 || std::strcmp(verb, "client-origin") == 0 ||
        std::strcmp(verb, "client-rect") == 0) {
        HWND w = argc > 2 ? WindowOfClass(main, argv[2]) : main;
        if (w == nullptr) return Fail("no window of that class");
        return PrintGeometry(verb, w);
    }
    return Fail("unknown verb");
}
