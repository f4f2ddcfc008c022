// Each menu command either changes display state here or calls the module that does the work and
// shows its failure with the message the command table names.
#include "shell/commands_win32.h"

#include "files/bitmap_win32.h"
#include "files/config.h"
#include "files/export_win32.h"
#include "files/parameter_set_dialogs_win32.h"
#include "files/results.h"
#include "files/statistics_dialogs_win32.h"
#include "files/statistics_file.h"
#include "link/command_queue.h"
#include "link/connection.h"
#include "link/model.h"
#include "params/about_win32.h"
#include "params/language_switch_win32.h"
#include "params/message.h"
#include "params/message_win32.h"
#include "print/print_commands_win32.h"
#include "shell/debug_window_win32.h"
#include "shell/legend_window_win32.h"
#include "shell/main_window_win32.h"
#include "shell/paint_win32.h"
#include "shell/snapshot_win32.h"

namespace {

constexpr TextId kTextNoCurvePresent = 101;
constexpr TextId kTextExportFailed = 110;
constexpr TextId kTextNoUnitNoLoad = 112;
constexpr TextId kTextNotAParameterFile = 113;
constexpr TextId kTextParametersNotRead = 116;
constexpr TextId kTextParametersNotSaved = 117;
constexpr TextId kTextStatisticsNotLoaded = 123;
constexpr TextId kTextStatisticsNotSaved = 124;
constexpr int kViewItemBase = 32796;

void About(HWND hwnd, int) { ShowAboutBox(hwnd); }
void Exit(HWND hwnd, int) { DestroyWindow(hwnd); }
void Snapshot(HWND hwnd, int) { TakeCycleSnapshot(hwnd); }
void Debug(HWND hwnd, int) { OpenDebugWindow(hwnd); }
void Legend(HWND hwnd, int) { ToggleLegendWindow(hwnd); }
void Refresh(HWND hwnd, int) { InvalidateRegion(hwnd, Region::kWholeWindow, true); }
void Port(HWND, int offset) { ChoosePort(offset + 1); }
void Scan(HWND, int) { ScanPorts(); }

void LoadParameters(HWND hwnd, int) {
    if (Load(gModel.connection.NotConnected) != 0) {
        ShowMessage(hwnd, kTextNoUnitNoLoad, kCaptionError, 0);
        return;
    }
    const int32_t r = LoadParameterSet(hwnd);
    if (r == kResultOk) {
        UploadProgress = 1;
        UploadParameterSet();
    } else if (r == kResultNotParameterSet) {
        ShowMessage(hwnd, kTextNotAParameterFile, kCaptionError, 0);
    } else if (r != kResultCancelled) {
        ShowMessage(hwnd, kTextParametersNotRead, kCaptionError, r);
    }
}

void SaveParameters(HWND hwnd, int) {
    if (SaveParameterSet(hwnd) != kResultOk) ShowMessage(hwnd, kTextParametersNotSaved, kCaptionError, 0);
}

void ShowView(HWND hwnd, int mode) {
    HMENU menu = GetMenu(hwnd);
    CheckMenuItem(menu, kViewItemBase + gConfig.DisplayMode, MF_BYCOMMAND | MF_UNCHECKED);
    CheckMenuItem(menu, kViewItemBase + mode, MF_BYCOMMAND | MF_CHECKED);
    Store(gConfig.DisplayMode, mode);  // the reader thread reads it for parameter reports
    SaveConfiguration();  // the view survives restarts; a failed write changes nothing here
    InvalidateRegion(hwnd, Region::kPanel, true);
}

void SaveStatistics(HWND hwnd, int) {
    if (SaveStatisticsAs(hwnd) != kResultOk) ShowMessage(hwnd, kTextStatisticsNotSaved, kCaptionError, 0);
}

void LoadStatistics(HWND hwnd, int) {
    const int32_t r = LoadStatisticsFrom(hwnd);
    if (r == kResultOk)
        InvalidateRegion(hwnd, Region::kPanel, true);
    else if (r != kResultCancelled)
        ShowMessage(hwnd, kTextStatisticsNotLoaded, kCaptionError, r);
}

void Reset(HWND hwnd, int cutOrAll) {
    ResetStatistics(cutOrAll);  // the autosave's result is not reported
    if (gConfig.DisplayMode != 2) InvalidateRegion(hwnd, Region::kPanel, true);
}
void ResetOne(HWND hwnd, int cut) { Reset(hwnd, cut); }
void ResetAll(HWND hwnd, int) { Reset(hwnd, -1); }

void Export(HWND hwnd, int kind, int cut) {
    const int32_t r = ExportStatistics(hwnd, kind, cut);
    if (r != kResultOk && r != kResultCancelled) ShowMessage(hwnd, kTextExportFailed, kCaptionError, r);
}
void ExportPower(HWND hwnd, int cut) { Export(hwnd, kPowerStatistics, cut); }
void ExportWork(HWND hwnd, int cut) { Export(hwnd, kWorkStatistics, cut); }

void Language(HWND hwnd, int offset) {
    SwitchLanguage(hwnd, static_cast<uint16_t>(offset), gPort.port);
}

void Print(HWND hwnd, int offset) { RunPrintCommand(hwnd, static_cast<PrintCommand>(offset)); }

// The snapshot of the last cycle end as a bitmap file; afterwards the display runs again,
// whatever came of the dump.
void ScreenDump(HWND hwnd, int) {
    if (!HaveCycleSnapshot()) {
        ShowMessage(hwnd, kTextNoCurvePresent, kCaptionScreenDump, 0);
        return;
    }
    if (std::unique_ptr<BitmapHeader> header = BuildBitmapHeader(hwnd, CycleSnapshotBitmap()))
        WriteScreenDump(hwnd, *header, CycleSnapshotBitmap(), CycleSnapshotDC());
    gFrozen = false;
    InvalidateRegion(hwnd, Region::kWholeWindow, true);
}

struct CommandRange {
    int first, last;
    void (*run)(HWND, int offset);  // offset = id - first
};

// The parameter sheet (32778..32793) has no work behind it in this version: its ids are known and
// do nothing.
void Inert(HWND, int) {}

const CommandRange kCommands[] = {
    {104, 104, About},
    {105, 105, Exit},
    {30000, 30000, Snapshot},
    {32777, 32777, Debug},
    {32778, 32793, Inert},
    {32794, 32794, LoadParameters},
    {32795, 32795, SaveParameters},
    {32796, 32798, ShowView},
    {32799, 32799, SaveStatistics},
    {32800, 32800, LoadStatistics},
    {32802, 32817, ResetOne},
    {32818, 32818, ResetAll},
    {32819, 32822, Print},
    {32825, 32840, ExportPower},
    {32841, 32856, ExportWork},
    {32857, 32857, Refresh},
    {32858, 32858, Legend},
    {32862, 32877, Port},
    {32878, 32878, Scan},
    {32879, 32879, ScreenDump},
    {34000, 34000, Language},
    {34200, 34200, [](HWND h, int) { Language(h, 200); }},
    {34400, 34400, [](HWND h, int) { Language(h, 400); }},
};

}  // namespace

bool RunCommand(HWND hwnd, int id) {
    for (const CommandRange& c : kCommands) {
        if (id >= c.first && id <= c.last) {
            c.run(hwnd, id - c.first);
            return true;
        }
    }
    return false;
}
