#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>

#include "files/config.h"
#include "files/export_win32.h"
#include "model/results.h"
#include "files/statistics_dialogs_win32.h"
#include "files/statistics_file.h"
#include "model/model.h"
#include "tests/unit/test_monitor.h"

namespace {

// Plays the user at the file dialog: waits for the dialog of this process, browses into a
// folder when asked, types a name and presses OK, or presses Cancel.
class DialogUser {
public:
    // name nullptr: press Cancel.
    explicit DialogUser(const char* name, std::string folder = {})
        : name_(name ? name : ""), folder_(std::move(folder)), cancel_(name == nullptr) {
        thread_ = std::thread([this] { Run(); });
    }
    ~DialogUser() {
        stop_ = true;
        thread_.join();
    }
    bool Found() const { return found_; }

private:
    static BOOL CALLBACK FindDialog(HWND w, LPARAM param) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        char cls[32] = "";
        GetClassNameA(w, cls, sizeof cls);
        if (pid == GetCurrentProcessId() && std::strcmp(cls, "#32770") == 0 && IsWindowVisible(w)) {
            *reinterpret_cast<HWND*>(param) = w;
            return FALSE;
        }
        return TRUE;
    }
    // The name box of the dialog (combo box or edit, by template).
    static void TypeName(HWND dialog, const std::string& text) {
        SetDlgItemTextA(dialog, 0x47c, text.c_str());
        SetDlgItemTextA(dialog, 0x480, text.c_str());
    }
    void Run() {
        for (int i = 0; i < 1000 && !stop_; ++i) {
            HWND dialog = nullptr;
            EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&dialog));
            if (dialog == nullptr) {
                Sleep(20);
                continue;
            }
            found_ = true;
            if (!cancel_ && !folder_.empty()) {
                TypeName(dialog, folder_);  // OK on a folder opens it
                SendMessageA(dialog, WM_COMMAND, IDOK, 0);
                Sleep(300);
            }
            if (!cancel_) TypeName(dialog, name_);
            PostMessageA(dialog, WM_COMMAND, cancel_ ? IDCANCEL : IDOK, 0);
            return;
        }
    }
    std::string name_;
    std::string folder_;
    bool cancel_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> found_{false};
    std::thread thread_;
};

class FileDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = std::filesystem::current_path();
        dir_ = std::filesystem::temp_directory_path() /
               ("zavize-dialogs-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
        ResetModel(TestModel(), TestStatistics());
        PresetConfiguration(TestConfig());
    }
    void TearDown() override {
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    std::filesystem::path old_, dir_;
};

// Regression: browsing to another folder moved the working directory there, and with it the
// configuration file and the autosave of a relative statistics file name.
TEST_F(FileDialogs, SaveStatisticsAsWritesTheChosenFileAndMakesItTheFileInUse) {
    AppendStatisticsEntry(TestStatistics(), 0, {42, 4});
    std::filesystem::create_directory(dir_ / "sub");
    const std::string target = (dir_ / "sub" / "shift2").string();  // the dialog adds ".$$$"
    int32_t r;
    {
        DialogUser user("shift2", (dir_ / "sub").string());
        r = SaveStatisticsAs(nullptr, TestFiles());
        ASSERT_TRUE(user.Found());
    }
    EXPECT_EQ(r, 0);
    EXPECT_EQ(std::filesystem::file_size(target + ".$$$"), kStatisticsBlockSize);
    EXPECT_EQ(std::string(TestConfig().statisticsFileName), target + ".$$$");
    EXPECT_TRUE(std::filesystem::exists(dir_ / kConfigurationFileName));
    EXPECT_EQ(std::filesystem::current_path(), dir_);
}

TEST_F(FileDialogs, CancelledSaveIsNoFailureCancelledLoadIs30006) {
    {
        DialogUser user(nullptr);
        EXPECT_EQ(SaveStatisticsAs(nullptr, TestFiles()), 0);
        EXPECT_TRUE(user.Found());
    }
    {
        DialogUser user(nullptr);
        EXPECT_EQ(LoadStatisticsFrom(nullptr, TestFiles()), kResultCancelled);
        EXPECT_TRUE(user.Found());
    }
    {
        DialogUser user(nullptr);
        EXPECT_EQ(ExportStatistics(nullptr, TestFiles(), kPowerStatistics, 0), 0);
        EXPECT_TRUE(user.Found());
    }
    EXPECT_STREQ(TestConfig().statisticsFileName, "Default.$$$");
}

TEST_F(FileDialogs, LoadStatisticsFromReadsTheChosenFile) {
    AppendStatisticsEntry(TestStatistics(), 7, {61, 6});
    ASSERT_EQ(SaveStatisticsFile(TestFiles(), Path("old.$$$").c_str()), 0);
    ResetModel(TestModel(), TestStatistics());
    {
        DialogUser user(Path("old.$$$").c_str());
        EXPECT_EQ(LoadStatisticsFrom(nullptr, TestFiles()), 0);
    }
    EXPECT_EQ(HeldEntries(TestStatistics(), 7), 1);
    EXPECT_EQ(TestStatistics().entries[7][0].peak, 61);
    EXPECT_EQ(std::string(TestConfig().statisticsFileName), Path("old.$$$"));
}

TEST_F(FileDialogs, ExportGetsTheSpreadsheetExtension) {
    AppendStatisticsEntry(TestStatistics(), 4, {17, 71});
    {
        DialogUser user(Path("work").c_str());
        EXPECT_EQ(ExportStatistics(nullptr, TestFiles(), kWorkStatistics, 4), 0);
    }
    std::ifstream in(Path("work.xls"), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "71\n");
}

}  // namespace
