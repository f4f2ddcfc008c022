// The language switch on a real window: the menu is replaced, the three check marks are set, the
// configuration file is rewritten and the window is repainted with erasing.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dialog_watcher.h"
#include "files/config.h"
#include "shell/language_switch_win32.h"
#include "tests/unit/temp_dir.h"
#include "tests/unit/test_monitor.h"

namespace {

int gErases = 0;  // WM_ERASEBKGND seen by the test window

LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_ERASEBKGND) ++gErases;
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

std::string Text(HMENU menu, UINT item, UINT by) {
    char text[64] = "";
    GetMenuStringA(menu, item, text, sizeof text, by);
    return text;
}

bool Checked(HMENU menu, UINT command) {
    return (GetMenuState(menu, command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// The items of a menu that carry a check mark, by command id.
std::vector<UINT> CheckedItems(HMENU menu) {
    std::vector<UINT> checked;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            for (UINT id : CheckedItems(sub)) checked.push_back(id);
        } else if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED) {
            checked.push_back(GetMenuItemID(menu, i));
        }
    }
    return checked;
}

uint16_t LanguageInFile() {
    const auto bytes = ReadAll(kConfigurationFileName);
    if (bytes.size() != sizeof(ConfigurationRecord)) return 0xFFFF;
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[260]) | static_cast<uint8_t>(bytes[261]) << 8);
}

class LanguageSwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        PresetConfiguration(TestConfig());
        WNDCLASSA wc{};
        wc.lpfnWndProc = TestWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ZavIzeSwitchTest";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        RegisterClassA(&wc);
        window_ = CreateWindowExA(0, wc.lpszClassName, "switch", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                  LoadLanguageMenu(0), wc.hInstance, nullptr);
        ASSERT_NE(window_, nullptr);
        ShowWindow(window_, SW_SHOWNOACTIVATE);  // only a shown window collects repaint requests
        UpdateWindow(window_);
        gErases = 0;
    }
    void TearDown() override {
        if (window_ != nullptr) DestroyWindow(window_);  // destroys the attached menu too
        PresetConfiguration(TestConfig());
    }

    // Handles the repaint the switch requested; returns how often the background was erased.
    int Repaint() {
        gErases = 0;
        UpdateWindow(window_);
        return gErases;
    }

    TempWorkDir dir_;
    HWND window_ = nullptr;
};

TEST_F(LanguageSwitchTest, SwitchToGermanReplacesMenuChecksItemsSavesAndRepaints) {
    TestConfig().DisplayMode = 1;
    HMENU english = GetMenu(window_);
    ASSERT_EQ(Text(english, 0, MF_BYPOSITION), "&File");

    SwitchLanguage(window_, TestConfig(), 200, 3);

    HMENU german = GetMenu(window_);
    EXPECT_FALSE(IsMenu(english)) << "the old menu is destroyed";
    EXPECT_EQ(Text(german, 0, MF_BYPOSITION), "&Datei");
    EXPECT_EQ(Text(german, 5, MF_BYPOSITION), "Sprache");
    EXPECT_EQ(CheckedItems(german), (std::vector<UINT>{32864, 32797, 34200}));  // COM 3, work view, German
    EXPECT_EQ(TestConfig().languageBase, 200);
    EXPECT_EQ(LanguageInFile(), 200);
    EXPECT_GT(Repaint(), 0);
}

TEST_F(LanguageSwitchTest, ChoosingTheCurrentLanguageStillReloadsSavesAndRepaints) {
    SwitchLanguage(window_, TestConfig(), 400, 1);
    HMENU first = GetMenu(window_);
    Repaint();
    std::filesystem::remove(kConfigurationFileName);

    SwitchLanguage(window_, TestConfig(), 400, 1);

    EXPECT_NE(GetMenu(window_), first);
    EXPECT_FALSE(IsMenu(first));
    EXPECT_EQ(Text(GetMenu(window_), 0, MF_BYPOSITION), "&Fil");
    EXPECT_EQ(CheckedItems(GetMenu(window_)), (std::vector<UINT>{32862, 32798, 34400}));
    EXPECT_EQ(LanguageInFile(), 400);
    EXPECT_GT(Repaint(), 0);
}

// A configuration file that cannot be written: the message comes in the new language, with the
// system's error number, and the new language stays in force.
TEST_F(LanguageSwitchTest, FailedSaveIsShownAndTheSwitchStays) {
    std::filesystem::create_directory(kConfigurationFileName);  // a folder where the file should be

    const SeenDialog box = WatchDialog([&] { SwitchLanguage(window_, TestConfig(), 200, 2); }, IDOK);

    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.caption, "Fehler!");
    const std::string text = box.StaticTexts().empty() ? "" : box.StaticTexts()[0];
    const std::string expected = "Konfigurationseinstellungen konnten nicht gelesen werden!: ";
    EXPECT_EQ(text.substr(0, expected.size()), expected);
    EXPECT_GT(text.size(), expected.size()) << "the error number is appended";
    EXPECT_EQ(Text(GetMenu(window_), 0, MF_BYPOSITION), "&Datei");
    EXPECT_TRUE(Checked(GetMenu(window_), 34200));
    EXPECT_EQ(TestConfig().languageBase, 200);
}

TEST_F(LanguageSwitchTest, UnknownLanguageBaseMeansEnglish) {
    SwitchLanguage(window_, TestConfig(), 123, 1);
    EXPECT_EQ(TestConfig().languageBase, 0);
    EXPECT_EQ(Text(GetMenu(window_), 0, MF_BYPOSITION), "&File");
    EXPECT_TRUE(Checked(GetMenu(window_), 34000));

    HMENU menu = LoadLanguageMenu(999);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Text(menu, 0, MF_BYPOSITION), "&File");
    DestroyMenu(menu);
}

// Ports and views outside their ranges would point at unrelated items (COM 17 is Auto connect,
// IDM_SHOW_POWER + 3 is Save statistics): they get no mark at all; view 3, the forecast, marks its
// own item.
TEST_F(LanguageSwitchTest, ChecksStayOffUnrelatedItems) {
    struct Case {
        int port;
        uint16_t view;
        std::vector<UINT> checked;
    };
    const Case cases[] = {
        {16, 0, {32877, 32796, 34000}}, {0, 2, {32798, 34000}}, {17, 2, {32798, 34000}},
        {1, 3, {32862, 32880, 34000}},  {1, 4, {32862, 34000}},
    };
    for (const Case& c : cases) {
        HMENU menu = LoadLanguageMenu(0);
        ASSERT_NE(menu, nullptr);
        SetMenuChecks(menu, c.port, 0, c.view);
        EXPECT_EQ(CheckedItems(menu), c.checked) << "port " << c.port << " view " << c.view;
        DestroyMenu(menu);
    }
}

}  // namespace
