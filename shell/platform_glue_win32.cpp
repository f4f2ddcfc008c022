#include "shell/platform_glue_win32.h"

#include "files/config.h"
#include "files/statistics_file.h"
#include "link/command_queue.h"
#include "link/connection.h"
#include "link/interpreter.h"
#include "link/platform_seam.h"
#include "link/serial_link_win32.h"
#include "link/upload_progress_win32.h"
#include "params/message_win32.h"
#include "shell/paint_win32.h"
#include "shell/platform_win32.h"

namespace {
constexpr int kComItemBase = 32861;

void MoveComCheck(int fromPort, int toPort) {
    HMENU menu = GetMenu(gMainWindow);
    if (fromPort != 0) CheckMenuItem(menu, kComItemBase + fromPort, MF_BYCOMMAND | MF_UNCHECKED);
    CheckMenuItem(menu, kComItemBase + toPort, MF_BYCOMMAND | MF_CHECKED);
}
}  // namespace

void InstallPlatformSeams() {
    // gMainWindow is set before the reader thread starts and never changes afterwards.
    gPlatform.invalidate = [](Region r, bool erase) { InvalidateRegion(gMainWindow, r, erase); };
    gPlatform.requestEndOfCycle = [] { RequestEndOfCycle(gMainWindow); };
    gPlatform.setAnswerEvent = SetAnswerEvent;
    gPlatform.saveStatistics = SaveStatisticsInUse;
    gReceiveBytes = [](const uint8_t* bytes, int32_t count) { InterpretBytes(bytes, count); };
    gUploadProgressDialog = [](UploadProgressAction a) { UploadProgressDialog(gMainWindow, a); };

    gPortSeam.openLink = OpenLink;
    gPortSeam.closeLink = CloseLink;
    gPortSeam.resetAnswer = ResetAnswerEvent;
    gPortSeam.waitAnswer = [](unsigned ms) { return WaitForAnswer(ms); };
    gPortSeam.moveCheckMark = MoveComCheck;
    gPortSeam.showMessage = [](TextId m, TextId c, int32_t n) { ShowMessage(gMainWindow, m, c, n); };
    gPortSeam.waitCursor = [](bool on) { SetCursor(LoadCursorA(nullptr, on ? IDC_WAIT : IDC_ARROW)); };
    gPortSeam.saveConfiguration = SaveConfiguration;
}
