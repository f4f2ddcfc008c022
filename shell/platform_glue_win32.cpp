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
#include "shell/platform_win32.h"

namespace {
constexpr int kComItemBase = IDM_COM_FIRST - 1;  // COM n is kComItemBase + n

void MoveComCheck(int fromPort, int toPort) {
    HMENU menu = GetMenu(gMainWindow);
    if (fromPort != 0) CheckMenuItem(menu, kComItemBase + fromPort, MF_BYCOMMAND | MF_UNCHECKED);
    CheckMenuItem(menu, kComItemBase + toPort, MF_BYCOMMAND | MF_CHECKED);
}
}  // namespace

void InstallPlatformSeams() {
    // gMainWindow is set before the reader thread starts and never changes afterwards.
    gWindowService.invalidate = [](Region r, bool erase) { InvalidateRegion(gMainWindow, r, erase); };
    gWindowService.requestEndOfCycle = [] { RequestEndOfCycle(gMainWindow, IDM_CYCLE_END); };

    gPortService.openLink = OpenLink;
    gPortService.closeLink = CloseLink;
    gPortService.resetAnswer = ResetAnswerEvent;
    gPortService.waitAnswer = [](unsigned ms) { return WaitForAnswer(ms); };
    gPortService.setAnswer = SetAnswerEvent;
    gPortService.portLost = LinkPortLost;
    gPortService.receiveBytes = [](const uint8_t* bytes, int32_t count) { InterpretBytes(bytes, count); };

    gUserService.showMessage = [](TextId m, TextId c, int32_t n) { ShowMessage(gMainWindow, m, c, n); };
    gUserService.moveCheckMark = MoveComCheck;
    gUserService.waitCursor = [](bool on) { SetCursor(LoadCursorA(nullptr, on ? IDC_WAIT : IDC_ARROW)); };
    gUserService.uploadProgress = [](UploadProgressAction a) { UploadProgressDialog(gMainWindow, a); };

    gStorageService.saveConfiguration = SaveConfiguration;
    gStorageService.saveStatistics = SaveStatisticsInUse;
    gStorageService.journalCycle = JournalFinishedCycle;
}
