// The progress dialog's procedure, on a dialog built in memory with the controls of template 135
// (the real template lives in the program's resources, which this test program does not link).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "files/config.h"
#include "text/text_ids.h"
#include "res/resource.h"
#include "shell/upload_progress_win32.h"
#include "text/language.h"

namespace {

// An in-memory dialog template: a progress bar and two static texts.
class ProgressTemplate {
public:
    ProgressTemplate() {
        Dword(WS_POPUP | DS_MODALFRAME);
        Dword(0);
        Word(3);  // controls
        Word(0), Word(0), Word(160), Word(60);
        Word(0), Word(0), Word(0);  // no menu, default class, no title
        Item(IDC_UPLOAD_TEXT, 10, 5, 0x0082, L"");
        Item(IDC_UPLOAD_WAIT, 10, 20, 0x0082, L"");
        Item(IDC_UPLOAD_BAR, 10, 40, 0, L"msctls_progress32");
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void Word(WORD w) { words_.push_back(w); }
    void Dword(DWORD d) { Word(LOWORD(d)), Word(HIWORD(d)); }
    void String(const wchar_t* s) {
        do Word(static_cast<WORD>(*s));
        while (*s++ != 0);
    }
    void Item(WORD id, short x, short y, WORD atom, const wchar_t* className) {
        if (words_.size() % 2) Word(0);  // items start on a DWORD boundary
        Dword(WS_CHILD | WS_VISIBLE);
        Dword(0);
        Word(static_cast<WORD>(x)), Word(static_cast<WORD>(y)), Word(140), Word(12), Word(id);
        if (atom != 0) {
            Word(0xFFFF), Word(atom);
        } else {
            String(className);
        }
        Word(0);  // no text
        Word(0);  // no creation data
    }
    std::vector<WORD> words_;
};

std::string Text(HWND dialog, int id) {
    char text[kTextSize] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// Under Wine a window needs a display (xvfb-run); without one the window tests are skipped.
bool CanCreateWindows() {
    HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (probe == nullptr) return false;
    DestroyWindow(probe);
    return true;
}

TEST(UploadProgressDialogProc, TextsRangeAndSteps) {
    if (!CanCreateWindows()) GTEST_SKIP() << "no display for windows (run under xvfb-run)";
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    ASSERT_TRUE(InitCommonControlsEx(&controls));
    PresetConfiguration();
    gConfig.languageBase = kLanguageGerman;
    ProgressTemplate t;
    HWND dialog =
        CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t.get(), nullptr, UploadProgressDialogProc, 0);
    ASSERT_NE(dialog, nullptr) << GetLastError();

    // WM_INITDIALOG: the texts of the language in use, the bar over the 294 words of a set.
    EXPECT_EQ(Text(dialog, IDC_UPLOAD_TEXT), GetText(kTextSendingParameters));
    EXPECT_EQ(Text(dialog, IDC_UPLOAD_WAIT), "Bitte warten...");
    HWND bar = GetDlgItem(dialog, IDC_UPLOAD_BAR);
    PBRANGE range{};
    SendMessageA(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 294);

    // PBM_STEPIT sent to the dialog moves the bar by one step and answers as the bar does.
    EXPECT_EQ(SendMessageA(dialog, PBM_STEPIT, 0, 0), 0);
    EXPECT_EQ(SendMessageA(dialog, PBM_STEPIT, 0, 0), 1);
    for (int i = 2; i < 294; ++i) SendMessageA(dialog, PBM_STEPIT, 0, 0);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 294);
    // PBM_SETSTEP is passed on too.
    EXPECT_EQ(SendMessageA(dialog, PBM_SETSTEP, 5, 0), 1);
    EXPECT_TRUE(DestroyWindow(dialog));
    gConfig.languageBase = kLanguageEnglish;
}

}  // namespace
