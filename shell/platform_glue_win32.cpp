#include "shell/platform_glue_win32.h"

#include "files/config.h"
#include "files/statistics_file.h"
#include "link/command_queue.h"
#include "link/connection.h"
#include "link/interpreter.h"
#include "link/port_service.h"
#include "link/storage_service.h"
#include "link/user_service.h"
#include "model/window_service.h"
#include "res/resource.h"
#include "shell/cycle_journal.h"
#include "link/serial_link_win32.h"
#include "shell/upload_progress_win32.h"
#include "text/message_win32.h"
#include "shell/paint_win32.h"
#include "shell/main_window_state_win32.h"
#include "shell/monitor.h"
#include "shell/platform_win32.h"
#include "link/link.h"
#include "link/serial_state_win32.h"

namespace {
constexpr int kComItemBase = IDM_COM_FIRST - 1;  // COM n is kComItemBase + n

HWND WindowOf(void* self) { return static_cast<HWND>(self); }
SerialLink& SerialOf(void* self) { return *static_cast<SerialLink*>(self); }
Monitor& MonitorOfSelf(void* self) { return *static_cast<Monitor*>(self); }

void MoveComCheck(void* self, int fromPort, int toPort) {
    HMENU menu = GetMenu(WindowOf(self));
    if (fromPort != 0) CheckMenuItem(menu, kComItemBase + fromPort, MF_BYCOMMAND | MF_UNCHECKED);
    CheckMenuItem(menu, kComItemBase + toPort, MF_BYCOMMAND | MF_CHECKED);
}

// The port service acts on the serial link, the user service on the main window, the storage
// service on the monitor record.
PortService SerialPortService(SerialLink& serial) {
    PortService s;
    s.self = &serial;
    s.openLink = [](void* self, int port) { return OpenLink(SerialOf(self), port); };
    s.closeLink = [](void* self) { CloseLink(SerialOf(self)); };
    s.resetAnswer = [](void* self) { ResetAnswerEvent(SerialOf(self)); };
    s.waitAnswer = [](void* self, unsigned ms) { return WaitForAnswer(SerialOf(self), ms); };
    s.setAnswer = [](void* self) { SetAnswerEvent(SerialOf(self)); };
    s.portLost = [](void* self) { return LinkPortLost(SerialOf(self)); };
    s.receiveBytes = [](void* self, const uint8_t* bytes, int32_t count) {
        InterpretBytes(*SerialOf(self).link, bytes, count);
    };
    return s;
}

UserService WindowUserService(HWND hwnd) {
    UserService s;
    s.self = hwnd;
    s.showMessage = [](void* self, TextId m, TextId c, int32_t n) { ShowMessage(WindowOf(self), m, c, n); };
    s.moveCheckMark = MoveComCheck;
    s.waitCursor = [](void*, bool on) { SetCursor(LoadCursorA(nullptr, on ? IDC_WAIT : IDC_ARROW)); };
    s.uploadProgress = [](void* self, UploadProgressAction a) { UploadProgressDialog(WindowOf(self), a); };
    return s;
}

// The window service acts on the main window.
WindowService MainWindowService(HWND hwnd) {
    WindowService s;
    s.self = hwnd;
    s.invalidate = [](void* self, Region r, bool erase) { InvalidateRegion(WindowOf(self), r, erase); };
    s.requestEndOfCycle = [](void* self) {
        RequestEndOfCycle(*StateOf(WindowOf(self)).start.serial, WindowOf(self), IDM_CYCLE_END);
    };
    return s;
}

StorageService FileStorageService(Monitor& monitor) {
    StorageService s;
    s.self = &monitor;
    s.saveConfiguration = [](void* self) { return SaveConfiguration(MonitorOfSelf(self).config); };
    s.saveStatistics = [](void* self) { return SaveStatisticsInUse(MonitorOfSelf(self).statisticsFile); };
    s.journalCycle = [](void* self, const FinishedCycle& c) {
        JournalFinishedCycle(MonitorOfSelf(self).journal, MonitorOfSelf(self).config.statisticsFileName, c);
    };
    return s;
}

}  // namespace

void InstallPlatformSeams(HWND hwnd) {
    MainWindowState& state = StateOf(hwnd);
    Link& link = state.start.monitor->link;
    state.start.serial->link = &link;
    link.portService = SerialPortService(*state.start.serial);
    link.userService = WindowUserService(hwnd);
    link.storageService = FileStorageService(*state.start.monitor);
    link.windowService = MainWindowService(hwnd);
}
