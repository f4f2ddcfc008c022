// The boxes the operator sees: message boxes, the yes/no questions, the About box and the upload
// progress dialog, each opened for real and read back from its window.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "dialog_watcher.h"
#include "files/config.h"
#include "shell/about_win32.h"
#include "text/message_win32.h"
#include "res/resource.h"
#include "tests/unit/test_monitor.h"

namespace {

const char kTitle[] = "ZavIze KVD Tool Monitor";

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { PresetConfiguration(TestConfig()); }
    void TearDown() override { PresetConfiguration(TestConfig()); }

    static SeenDialog Show(TextId message, TextId caption, int32_t number) {
        return WatchDialog([&] { ShowMessage(nullptr, message, caption, number); }, IDOK);
    }
};

TEST_F(MessageBoxTest, ErrorMessageWithNumberShowsTextCaptionErrorIconAndOnlyOk) {
    const SeenDialog box = Show(123, 53, -5);
    ASSERT_TRUE(box.found);
    EXPECT_TRUE(box.closedByAnswer);
    EXPECT_EQ(box.caption, "Error!");
    EXPECT_EQ(box.StaticTexts(), std::vector<std::string>{"Failed importing statistics: -5"});
    EXPECT_EQ(box.Icon(), LoadIconA(nullptr, IDI_HAND));
    EXPECT_TRUE(box.HasButton(IDOK));
    EXPECT_FALSE(box.HasButton(IDCANCEL));
    EXPECT_FALSE(box.HasButton(IDYES));
}

TEST_F(MessageBoxTest, InformationMessageShowsTwoLinesAndTheInformationIcon) {
    const SeenDialog box = Show(101, 55, 0);
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.caption, "Screen Dump");
    EXPECT_EQ(box.StaticTexts(), std::vector<std::string>{"No curve present,\naborting action."});
    EXPECT_EQ(box.Icon(), LoadIconA(nullptr, IDI_ASTERISK));
}

TEST_F(MessageBoxTest, MessagesFollowTheLanguageInUse) {
    TestConfig().languageBase = 200;
    const SeenDialog box = Show(111, 53, 5);
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.caption, "Fehler!");
    EXPECT_EQ(box.StaticTexts(),
              std::vector<std::string>{"Konfigurationseinstellungen konnten nicht gelesen werden!: 5"});
}

// The questions carry the program's title and let the caller go on only on Yes.
TEST_F(MessageBoxTest, QuestionIsTrueOnlyForYes) {
    bool answer = false;
    const SeenDialog yes = WatchDialog([&] { answer = AskYesNo(nullptr, 122); }, IDYES);
    ASSERT_TRUE(yes.found);
    EXPECT_TRUE(yes.closedByAnswer);
    EXPECT_TRUE(answer);
    EXPECT_EQ(yes.caption, kTitle);
    EXPECT_EQ(yes.StaticTexts(), std::vector<std::string>{"Monitor resolution too small\nContinue anyway?"});
    EXPECT_EQ(yes.Icon(), LoadIconA(nullptr, IDI_EXCLAMATION));
    EXPECT_TRUE(yes.HasButton(IDYES));
    EXPECT_TRUE(yes.HasButton(IDNO));
    EXPECT_FALSE(yes.HasButton(IDOK));

    TestConfig().languageBase = 400;
    const SeenDialog no = WatchDialog([&] { answer = AskYesNo(nullptr, 100); }, IDNO);
    ASSERT_TRUE(no.found);
    EXPECT_TRUE(no.closedByAnswer);
    EXPECT_FALSE(answer);
    EXPECT_EQ(no.caption, kTitle);  // the title is the same in every language
    EXPECT_EQ(no.StaticTexts(),
              std::vector<std::string>{"KVD ikke forbundet. Parametre kan ikke sendes.\nForts\xe6t?"});
}

TEST_F(MessageBoxTest, AboutBoxTitleIsTheAboutTextOfTheLanguageInUse) {
    TestConfig().languageBase = 200;
    const SeenDialog about = WatchDialog([] { ShowAboutBox(nullptr); }, IDOK);
    ASSERT_TRUE(about.found);
    EXPECT_TRUE(about.closedByAnswer) << "OK ends the box";
    EXPECT_EQ(about.caption,
              "\xdc"
              "ber");
    const std::vector<std::string> lines = about.StaticTexts();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "ZavIze");
    EXPECT_EQ(lines[1], "Version: 1.9");

    // The program icon at the top left, the default OK button at the top right.
    const SeenControl* ok = about.Control(IDOK);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text, "OK");
    EXPECT_EQ(ok->style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    const SeenControl* icon = nullptr;
    for (const SeenControl& c : about.controls)
        if (c.icon != nullptr) icon = &c;
    ASSERT_NE(icon, nullptr);
    for (const SeenControl& c : about.controls) {
        EXPECT_LE(icon->rect.left, c.rect.left) << c.text;
        EXPECT_LE(ok->rect.top, c.rect.top) << c.text;
        if (&c != ok) {
            EXPECT_LE(c.rect.left, ok->rect.left) << c.text;
        }
    }
}

TEST_F(MessageBoxTest, AboutBoxEndsWithEscapeToo) {
    const SeenDialog about = WatchDialog([] { ShowAboutBox(nullptr); }, IDCANCEL);
    ASSERT_TRUE(about.found);
    EXPECT_TRUE(about.closedByAnswer);
    EXPECT_EQ(about.caption, "About");
}

// A lambda is no CALLBACK in 32-bit builds (another calling convention): a function is.
INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The template of the upload progress dialog: untitled, shown at creation, a progress bar and two
// centred texts with the control ids its dialog procedure uses.
TEST_F(MessageBoxTest, UploadProgressTemplateHasTheBarAndTwoCentredTexts) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
    ASSERT_TRUE(InitCommonControlsEx(&classes));
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_UPLOAD_PROGRESS),
                                     nullptr, PlainDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    const SeenDialog seen = dialog_watcher_detail::Inspect(dialog);
    DestroyWindow(dialog);

    EXPECT_EQ(seen.style & WS_CAPTION, 0);
    EXPECT_NE(seen.style & WS_VISIBLE, 0);  // modeless: visible without ShowWindow
    ASSERT_EQ(seen.controls.size(), 3u);
    const SeenControl* bar = seen.Control(IDC_UPLOAD_BAR);
    ASSERT_NE(bar, nullptr);
    EXPECT_STREQ(bar->className.c_str(), PROGRESS_CLASSA);
    for (int id : {IDC_UPLOAD_TEXT, IDC_UPLOAD_WAIT}) {
        const SeenControl* text = seen.Control(id);
        ASSERT_NE(text, nullptr) << id;
        EXPECT_EQ(text->className, "Static");
        EXPECT_EQ(text->style & SS_TYPEMASK, SS_CENTER);
        EXPECT_LT(text->rect.bottom, bar->rect.bottom);  // the texts above the bar
    }
}

}  // namespace
