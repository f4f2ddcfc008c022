// The failure message of every file and port command, where the program shows it: the command
// runs as the main window runs it, a file dialog on the way is answered with a name that makes
// the command fail, and the message box that follows is read and closed.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "files/config.h"
#include "link/connection.h"
#include "link/port_service.h"
#include "link/serial_link_win32.h"
#include "link/user_service.h"
#include "model/model.h"
#include "res/resource.h"
#include "shell/commands_win32.h"
#include "text/message.h"
#include "text/message_win32.h"
#include "text/text_ids.h"
#include "tests/unit/test_monitor.h"
#include "shell/main_window_state_win32.h"
#include "tests/win32/test_serial.h"

namespace {

// Answers what the command opens: a file dialog gets the name and OK, the question whether to
// replace an existing file Yes; the first other message box is read (caption and text) and closed.
class UserAtTheScreen {
public:
    explicit UserAtTheScreen(std::string name) : name_(std::move(name)) {
        thread_ = std::thread([this] { Run(); });
    }
    ~UserAtTheScreen() {
        stop_ = true;
        thread_.join();
    }
    std::string caption, text;

private:
    static BOOL CALLBACK Find(HWND w, LPARAM p) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        char cls[32] = "";
        GetClassNameA(w, cls, sizeof cls);
        if (pid == GetCurrentProcessId() && std::string(cls) == "#32770" && IsWindowVisible(w)) {
            *reinterpret_cast<HWND*>(p) = w;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK ReadStatic(HWND w, LPARAM p) {
        char cls[32] = "", t[256] = "";
        GetClassNameA(w, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(w, t, sizeof t) > 0)
            *reinterpret_cast<std::string*>(p) = t;
        return TRUE;
    }
    void Run() {
        HWND answered = nullptr;
        for (int i = 0; i < 1500 && !stop_; ++i) {
            HWND w = nullptr;
            EnumWindows(Find, reinterpret_cast<LPARAM>(&w));
            if (w == nullptr || w == answered) {
                Sleep(10);
                continue;
            }
            answered = w;
            if (GetDlgItem(w, 0x47c) != nullptr || GetDlgItem(w, 0x480) != nullptr) {
                SetDlgItemTextA(w, 0x47c, name_.c_str());
                SetDlgItemTextA(w, 0x480, name_.c_str());
                PostMessageA(w, WM_COMMAND, IDOK, 0);
                continue;
            }
            if (GetDlgItem(w, IDYES) != nullptr) {
                PostMessageA(w, WM_COMMAND, IDYES, 0);
                continue;
            }
            char c[128] = "";
            GetWindowTextA(w, c, sizeof c);
            caption = c;
            EnumChildWindows(w, ReadStatic, reinterpret_cast<LPARAM>(&text));
            PostMessageA(w, WM_COMMAND, IDOK, 0);
            return;
        }
    }
    std::string name_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::string Expected(TextId message, TextId caption, int32_t number) {
    const ComposedMessage m = ComposeMessage(message, caption, number);
    return std::string(m.caption) + " | " + m.text;
}

class CommandMessages : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = std::filesystem::current_path();
        dir_ = std::filesystem::temp_directory_path() /
               ("zavize-messages-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
        ResetModel(TestModel(), TestStatistics());
        PresetConfiguration(TestConfig());
        TestLink().portService.self = &TestSerial();
        TestLink().portService.openLink = [](void* self, int port) {
            return OpenLink(*static_cast<SerialLink*>(self), port);
        };
        TestLink().portService.closeLink = [](void* self) { CloseLink(*static_cast<SerialLink*>(self)); };
        TestLink().portService.waitAnswer = [](void* self, unsigned ms) {
            return WaitForAnswer(*static_cast<SerialLink*>(self), ms);
        };
        TestLink().userService.showMessage = [](void*, TextId m, TextId c, int32_t n) {
            ShowMessage(nullptr, m, c, n);
        };
        TestLink().port = {1, true, false};  // no port open
        // A window that stands for the main window: the commands find the test's monitor record
        // in its state.
        window_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        MainWindowStart start;
        start.monitor = &TestMonitor();
        start.serial = &TestSerial();
        AttachMainWindowState(window_, &start);
    }
    void TearDown() override {
        DetachMainWindowState(window_);
        DestroyWindow(window_);
        CloseLink(TestSerial());
        TestLink().portService = {};
        TestLink().userService = {};
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::filesystem::path old_, dir_;
    HWND window_ = nullptr;
};

void WriteText(const char* name, const std::string& text) { std::ofstream(name, std::ios::binary) << text; }

TEST_F(CommandMessages, EveryFileAndPortCommandShowsItsFailure) {
    WriteText("letter.kvd", "Dear operator,\n");
    WriteText("long.kvd", "KVD-ID       \t1234567\n");
    WriteText("short.$$$", std::string(100, '\0'));
    // Files another program holds open without sharing: a save cannot replace them.
    HANDLE held[3];
    int heldCount = 0;
    for (const char* name : {"held.kvd", "held.xls", "held.$$$"}) {
        WriteText(name, "old");
        held[heldCount++] = CreateFileA(name, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held[heldCount - 1], INVALID_HANDLE_VALUE);
    }

    struct Case {
        const char* what;
        int command;
        bool connected;
        const char* name;  // typed into the file dialog
        TextId message;
        int32_t number;                      // -1: some system error number, not checked
        bool configurationReadOnly = false;  // the configuration file cannot be written
    };
    const Case cases[] = {
        {"load a set without a unit", IDM_LOAD_PARAMETERSET, false, "", kTextNoUnitNoLoad, 0},
        {"load a set that is no set", IDM_LOAD_PARAMETERSET, true, "letter.kvd", kTextNotAParameterFile, 0},
        {"load a set with a malformed field", IDM_LOAD_PARAMETERSET, true, "long.kvd", kTextParametersNotRead,
         30002},
        {"save a set where it cannot go", IDM_SAVE_PARAMETERSET, true, "held.kvd", kTextParametersNotSaved,
         -1},
        {"export where it cannot go", IDM_EXPORT_POWER_FIRST, true, "held.xls", kTextExportFailed, -1},
        {"load statistics cut short", IDM_LOAD_STATISTICS, true, "short.$$$", kTextStatisticsNotLoaded,
         30007},
        {"save statistics where they cannot go", IDM_SAVE_STATISTICS, true, "held.$$$",
         kTextStatisticsNotSaved, -1},
        // Saved, but the next start would not know the new file in use.
        {"save statistics with an unwritable configuration", IDM_SAVE_STATISTICS, true, "kept.$$$",
         kTextFileInUseNotRemembered, -1, true},
        // The system's error of the failed open: COM16 is mapped to nothing (not found).
        {"choose a port that does not exist", IDM_COM_LAST, true, "", kTextPortFailed, ERROR_FILE_NOT_FOUND},
        {"auto connect without a unit", IDM_AUTO_CONNECT, true, "", kTextUnitNotFound, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Store(TestModel().connection.NotConnected, c.connected ? 0 : 1);
        // A folder in its place: the configuration file cannot be written, whoever runs the test.
        if (c.configurationReadOnly) std::filesystem::create_directory(kConfigurationFileName);
        std::string seen;
        {
            // A full path: a file dialog starts in the folder its type was last used in, which
            // another test may have left elsewhere.
            const std::string typed = c.name[0] != '\0' ? (dir_ / c.name).string() : std::string();
            UserAtTheScreen user(typed.c_str());
            ASSERT_TRUE(RunCommand(window_, c.command));
            Sleep(100);
            seen = user.caption + " | " + user.text;
        }
        if (c.configurationReadOnly) std::filesystem::remove(kConfigurationFileName);
        const TextId caption = c.message == kTextPortFailed || c.message == kTextUnitNotFound
                                   ? kCaptionCommunication
                                   : kCaptionError;
        if (c.number >= 0) {
            EXPECT_EQ(seen, Expected(c.message, caption, c.number));
        } else {
            const std::string start = Expected(c.message, caption, 0) + ": ";
            EXPECT_EQ(seen.substr(0, start.size()), start) << seen;
        }
    }
    for (HANDLE h : held) CloseHandle(h);
    // The files the failed saves would have replaced are as they were.
    for (const char* name : {"held.kvd", "held.xls", "held.$$$"}) {
        std::ifstream in(name, std::ios::binary);
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), "old")
            << name;
    }
    EXPECT_EQ(std::filesystem::current_path(), dir_);
}

}  // namespace
