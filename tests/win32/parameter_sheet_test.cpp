// The real parameter sheet, driven as a user would: OpenParameterSheet runs its modal loop on the
// test thread, a helper thread finds the sheet, types into fields, changes pages and presses the
// buttons. The words the sheet queued are then sent by the pump and decoded from the frames.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "files/config.h"
#include "model/parameters.h"
#include "link/command_queue.h"
#include "model/model.h"
#include "link/transmit_ring.h"
#include "text/language.h"
#include "res/resource.h"
#include "sheet/sheet_win32.h"
#include "../unit/sent_words.h"
#include "tests/unit/test_monitor.h"

namespace {

constexpr int kApplyButton = 0x3021;  // the sheet's Apply button

struct Word {
    int cut, index, value;
    bool operator==(const Word&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Word& w) {
    return os << "{cut " << w.cut << ", index " << w.index << ", value " << w.value << "}";
}

// Every queued word, sent by the pump as a word frame and decoded again.
std::vector<Word> SentWords() {
    std::vector<Word> words;
    for (uint16_t w : PumpTicks(QueuedWords(TestLink()))) {
        const int index = FindBaseCode(w & 0x0FFF);
        words.push_back({w >> 12, index, index < 0 ? -1 : (w & 0x0FFF) - kBaseCodes[index].base});
    }
    return words;
}

std::string Text(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}
std::string Text(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }

bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        Sleep(10);
    }
    return true;
}

BOOL CALLBACK FindSheet(HWND w, LPARAM p) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    char name[16] = "";
    GetClassNameA(w, name, sizeof name);
    if (process == GetCurrentProcessId() && std::string(name) == "#32770" && IsWindowVisible(w)) {
        *reinterpret_cast<HWND*>(p) = w;
        return FALSE;
    }
    return TRUE;
}

// The user at the sheet, on the helper thread.
struct User {
    HWND sheet = nullptr;

    HWND Page() const { return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
    void GoTo(int page) const { SendMessageA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(page), 0); }
    void Type(int control, const char* text) const { SetWindowTextA(GetDlgItem(Page(), control), text); }
    std::string Shown(int control) const { return Text(Page(), control); }
    bool ApplyEnabled() const { return IsWindowEnabled(GetDlgItem(sheet, kApplyButton)) != FALSE; }
    // Posted messages (the pages' change notices) are handled before the condition is looked at.
    bool ApplyBecomes(bool enabled) const {
        return WaitFor([&] { return ApplyEnabled() == enabled; });
    }
    void Apply() const { SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0); }
    void Close(int button) const { PostMessageA(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0); }
};

// Opens the sheet of a cut on this thread and hands it to `work` on a helper thread, which must
// close it. Returns the sheet's result; a sheet not found or not closed fails the test.
INT_PTR RunSheet(int cut, const std::function<void(User&)>& work) {
    std::thread helper([&] {
        User user;
        if (!WaitFor([&] {
                EnumWindows(FindSheet, reinterpret_cast<LPARAM>(&user.sheet));
                return user.sheet != nullptr;
            })) {
            ADD_FAILURE() << "no sheet";
            return;
        }
        work(user);
        if (!WaitFor([&] { return !IsWindow(user.sheet); })) {
            ADD_FAILURE() << "the sheet stayed open";
            PostMessageA(user.sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        }
    });
    const INT_PTR result = OpenParameterSheet(nullptr, TestLink(), TestModel(), cut);
    helper.join();
    return result;
}

class ParameterSheet : public ::testing::Test {
protected:
    void SetUp() override {
        InitCommonControls();
        PresetConfiguration(TestConfig());
        ResetModel(TestModel(), TestStatistics());
        WriteParameterDefaults(TestModel());
        ResetCommandQueue(TestLink());
        TestLink().ring = TransmitRing{};
        TestLink().transmitPortOpen = true;  // the pump hands the words over as to an open port
    }
    void TearDown() override {
        TestLink().transmitPortOpen = false;
        TestConfig().languageBase = kLanguageEnglish;
    }
};

// English, cut 16: typing, Apply, page changes and OK, and the words each of them sends.
TEST_F(ParameterSheet, ApplyAndOkSendTheChangedFieldsInPageOrder) {
    int byApply = -1;
    const INT_PTR result = RunSheet(15, [&](User& user) {
        // The caption and the Break page in front, with its labels and the unit's values.
        EXPECT_EQ(Text(user.sheet), "KVD settings, Cut# 16");
        EXPECT_EQ(SendMessageA(user.sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(user.Page()), 0), 0);
        EXPECT_EQ(user.Shown(IDC_LABEL_LIMIT), "Break Limit");
        EXPECT_EQ(user.Shown(IDC_BREAK_LIMIT), "50");
        EXPECT_EQ(user.Shown(IDC_BREAK_DELAY), "0.1");
        EXPECT_TRUE(user.ApplyBecomes(false));

        // Break Limit 3 is sent as 0 by Apply.
        user.Type(IDC_BREAK_LIMIT, "3");
        EXPECT_TRUE(user.ApplyBecomes(true));
        user.Apply();
        byApply = QueuedWords(TestLink());

        // Blunt page: its lists are filled and show the values; an edit there, then a change of
        // page greys Apply although the edit is not applied.
        user.GoTo(1);
        EXPECT_EQ(user.Shown(IDC_LABEL_ALARM_MODE), "Blunt Alarm Mode");
        EXPECT_EQ(SendDlgItemMessageA(user.Page(), IDC_BLUNT_MODE, CB_GETCOUNT, 0, 0), 2);
        EXPECT_EQ(user.Shown(IDC_BLUNT_MODE), "Power");
        user.Type(IDC_BLUNT_DELAY, "2,5");
        EXPECT_TRUE(user.ApplyBecomes(true));
        user.GoTo(2);
        EXPECT_TRUE(user.ApplyBecomes(false));
        user.Type(IDC_MISSING_COUNT, "65537");  // ignored, not wrapped
        user.Type(IDC_MISSING_LIMIT, "3");

        // Back on the Break page, the applied 0 shows as "Off"; Miscellaneous shows the range.
        user.GoTo(0);
        EXPECT_EQ(user.Shown(IDC_BREAK_LIMIT), "Off");
        user.GoTo(5);
        EXPECT_EQ(user.Shown(IDC_KW_RANGE), "0.00");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(user.Page(), IDC_KW_RANGE)));
        EXPECT_EQ(user.Shown(IDC_DEBOUNCE), "2");
        user.Close(PSBTN_OK);
    });
    EXPECT_NE(result, -1);
    // Apply sent the Break Limit; OK then applied the pages in page order: the Blunt Delay, then
    // the Missing Limit (the Break Limit is not sent again).
    EXPECT_EQ(byApply, 1);
    EXPECT_EQ(SentWords(), std::vector<Word>({{15, 0, 0}, {15, 5, 25}, {15, 9, 3}}));
}

// German: Cancel after an Apply that the unit has confirmed sends the old value back; without
// a confirmation it sends nothing.
TEST_F(ParameterSheet, CancelSendsBackWhatTheUnitConfirmed) {
    TestConfig().languageBase = kLanguageGerman;
    int byApply = -1;
    RunSheet(15, [&](User& user) {
        EXPECT_EQ(Text(user.sheet), "KVD-Einstellungen, Schnitt# 16");
        EXPECT_EQ(user.Shown(IDC_LABEL_LIMIT), "Bruch Grenze");
        user.Type(IDC_BREAK_LIMIT, "60");
        user.Type(IDC_BREAK_DELAY, "2.5");
        user.Apply();
        byApply = QueuedWords(TestLink());
        // The unit reports the new Break Limit back; the Break Delay report has not come yet.
        Store(TestModel().cutParameters[15].breakLimit, 60);
        user.GoTo(4);
        EXPECT_EQ(user.Shown(IDC_LABEL_COMMON), "Allgemeine Parameter:");
        EXPECT_EQ(user.Shown(IDC_PO_SAMPLES), "4");
        user.Close(PSBTN_CANCEL);
    });
    EXPECT_EQ(byApply, 2);
    EXPECT_EQ(SentWords(), std::vector<Word>({{15, 0, 60}, {15, 1, 25}, {15, 0, 50}}));
}

// Every label, unit and heading of every page fits its control in all three languages.
TEST_F(ParameterSheet, EveryLabelFitsInEveryLanguage) {
    for (uint16_t language : {kLanguageEnglish, kLanguageGerman, kLanguageDanish}) {
        TestConfig().languageBase = language;
        int measured = 0;
        RunSheet(0, [&](User& user) {
            for (int p = 0; p < 6; ++p) {
                user.GoTo(p);
                for (HWND c = GetWindow(user.Page(), GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
                    char name[16] = "";
                    GetClassNameA(c, name, sizeof name);
                    const std::string text = Text(c);
                    if (std::string(name) != "Static" || text.empty()) continue;
                    HDC dc = GetDC(c);
                    HGDIOBJ old =
                        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(c, WM_GETFONT, 0, 0)));
                    SIZE size{};
                    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
                    SelectObject(dc, old);
                    ReleaseDC(c, dc);
                    RECT r;
                    GetClientRect(c, &r);
                    EXPECT_LE(size.cx, r.right) << language << " page " << p << " \"" << text << '"';
                    ++measured;
                }
            }
            user.Close(PSBTN_CANCEL);
        });
        EXPECT_GE(measured, 30) << language;  // the labels were there to be measured
    }
}

}  // namespace
