// The progress dialog's procedure on the program's own template (the test program carries the
// program's resources).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "model/settings.h"
#include "text/text_ids.h"
#include "res/resource.h"
#include "shell/upload_progress_win32.h"
#include "text/language.h"
#include "tests/unit/test_monitor.h"

namespace {

std::string Text(HWND dialog, int id) {
    char text[kTextSize] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

TEST(UploadProgressDialogProc, TextsRangeAndSteps) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    ASSERT_TRUE(InitCommonControlsEx(&controls));
    PresetConfiguration(TestConfig());
    TestConfig().languageBase = kLanguageGerman;
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_UPLOAD_PROGRESS),
                                     nullptr, UploadProgressDialogProc, 0);
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
    TestConfig().languageBase = kLanguageEnglish;
}

}  // namespace
