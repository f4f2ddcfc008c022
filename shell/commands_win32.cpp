// Each menu command either changes display state here or calls the module that does the work and
// shows its failure with the message the command table names.
#include "shell/commands_win32.h"
#include "text/message.h"
#include "text/text_ids.h"

#include "files/bitmap_win32.h"
#include "files/config.h"
#include "files/export_win32.h"
#include "files/parameter_set_dialogs_win32.h"
#include "model/results.h"
#include "files/statistics_dialogs_win32.h"
#include "files/statistics_file.h"
#include "link/command_queue.h"
#include "link/connection.h"
#include "link/frame_codec.h"
#include "model/model.h"
#include "print/print_commands_win32.h"
#include "res/resource.h"
#include "sheet/sheet_win32.h"
#include "shell/about_win32.h"
#include "shell/debug_window_win32.h"
#include "shell/forecast_state.h"
#include "shell/language_switch_win32.h"
#include "shell/plant_dialog_win32.h"
#include "shell/plant_link_win32.h"
#include "shell/legend_window_win32.h"
#include "shell/main_window_win32.h"
#include "shell/main_window_state_win32.h"
#include "shell/monitor.h"
#include "link/link.h"
#include "shell/paint_win32.h"
#include "shell/snapshot_win32.h"
#include "text/message_win32.h"

namespace {

void About(HWND hwnd, int) { ShowAboutBox(hwnd); }
void Exit(HWND hwnd, int) { DestroyWindow(hwnd); }
// The cycle end: the reader has saved the statistics and written the journal line.
void Snapshot(HWND hwnd, int) {
    TakeCycleSnapshot(hwnd);
    PlantLinkCycleEnded(StateOf(hwnd).plant);
}
void Debug(HWND hwnd, int) { OpenDebugWindow(hwnd, StateOf(hwnd).plant, MonitorOf(hwnd)); }
void Legend(HWND hwnd, int) { ToggleLegendWindow(hwnd); }
void Refresh(HWND hwnd, int) { InvalidateRegion(hwnd, Region::kWholeWindow, true); }
void Port(HWND hwnd, int offset) { ChoosePort(MonitorOf(hwnd).link, offset + 1); }
void Scan(HWND hwnd, int) { ScanPorts(MonitorOf(hwnd).link); }
void PlantLinkDialog(HWND hwnd, int) { static_cast<void>(OpenPlantLinkDialog(hwnd, StateOf(hwnd).plant)); }

void LoadParameters(HWND hwnd, int) {
    Monitor& monitor = MonitorOf(hwnd);
    if (Load(monitor.model.connection.NotConnected) != 0) {
        ShowMessage(hwnd, kTextNoUnitNoLoad, kCaptionError, 0);
        return;
    }
    const int32_t r = LoadParameterSet(hwnd, monitor.model);
    if (r == kResultOk) {
        Link& link = monitor.link;
        const int32_t shown = link.uploadProgress;
        link.uploadProgress = 1;
        // Refused only for a value beyond its range, which the file reader already rejects.
        if (!UploadParameterSet(link)) {
            link.uploadProgress = shown;
            ShowMessage(hwnd, kTextParametersNotRead, kCaptionError, 0);
        }
    } else if (r == kResultNotParameterSet) {
        ShowMessage(hwnd, kTextNotAParameterFile, kCaptionError, 0);
    } else if (r != kResultCancelled) {
        ShowMessage(hwnd, kTextParametersNotRead, kCaptionError, r);
    }
}

// Parameters / Cut n: the unit is asked for its values (code 47) before the sheet shows them.
void ParameterSheet(HWND hwnd, int cut) {
    Monitor& monitor = MonitorOf(hwnd);
    if (Load(monitor.model.connection.NotConnected) != 0 && !AskYesNo(hwnd, kTextNotConnectedContinue))
        return;
    Link& link = monitor.link;
    (void)SendCodeFrame(link, kSheetOpensCode);  // a full ring drops it; the sheet opens all the same
    if (OpenParameterSheet(hwnd, link, monitor.model, cut) == -1)
        ShowMessage(hwnd, kTextSheetFailed, kCaptionError, static_cast<int32_t>(GetLastError()));
}

void SaveParameters(HWND hwnd, int) {
    if (const int32_t r = SaveParameterSet(hwnd, MonitorOf(hwnd).model))
        ShowMessage(hwnd, kTextParametersNotSaved, kCaptionError, r);
}

void ShowView(HWND hwnd, int mode) {
    HMENU menu = GetMenu(hwnd);
    ConfigurationRecord& config = MonitorOf(hwnd).config;
    CheckMenuItem(menu, DisplayMenuItem(static_cast<int>(CurrentDisplay(config))),
                  MF_BYCOMMAND | MF_UNCHECKED);
    CheckMenuItem(menu, DisplayMenuItem(mode), MF_BYCOMMAND | MF_CHECKED);
    SetDisplay(config, static_cast<Display>(mode));
    // The view survives restarts; a failed write changes nothing here.
    static_cast<void>(SaveConfiguration(config));
    InvalidateRegion(hwnd, Region::kPanel, true);
}

// The new file in use that the configuration file could not record: the next start would autosave
// into the old one, splitting the history over two files.
void ShowFileInUseNotRemembered(HWND hwnd, int32_t configuration) {
    if (configuration != kResultOk)
        ShowMessage(hwnd, kTextFileInUseNotRemembered, kCaptionError, configuration);
}

void SaveStatistics(HWND hwnd, int) {
    int32_t configuration = kResultOk;
    if (const int32_t r = SaveStatisticsAs(hwnd, MonitorOf(hwnd).statisticsFile, &configuration))
        ShowMessage(hwnd, kTextStatisticsNotSaved, kCaptionError, r);
    ShowFileInUseNotRemembered(hwnd, configuration);
}

void LoadStatistics(HWND hwnd, int) {
    int32_t configuration = kResultOk;
    const int32_t r = LoadStatisticsFrom(hwnd, MonitorOf(hwnd).statisticsFile, &configuration);
    ShowFileInUseNotRemembered(hwnd, configuration);
    if (r == kResultOk) {
        StartForecast(MonitorOf(hwnd).forecast, MonitorOf(hwnd).statistics);
        InvalidateRegion(hwnd, Region::kPanel, true);
    } else if (r != kResultCancelled)
        ShowMessage(hwnd, kTextStatisticsNotLoaded, kCaptionError, r);
}

void Reset(HWND hwnd, int cutOrAll) {
    if (const int32_t r = ResetStatistics(MonitorOf(hwnd).statisticsFile, cutOrAll))
        ShowMessage(hwnd, kTextStatisticsNotSaved, kCaptionError, r);
    StartForecast(MonitorOf(hwnd).forecast, MonitorOf(hwnd).statistics);
    if (CurrentDisplay(MonitorOf(hwnd).config) != Display::kParameterTable)
        InvalidateRegion(hwnd, Region::kPanel, true);
}
void ResetOne(HWND hwnd, int cut) { Reset(hwnd, cut); }
void ResetAll(HWND hwnd, int) { Reset(hwnd, -1); }

void Export(HWND hwnd, StatisticsKind kind, int cut) {
    const int32_t r = ExportStatistics(hwnd, MonitorOf(hwnd).statisticsFile, kind, cut);
    if (r != kResultOk && r != kResultCancelled) ShowMessage(hwnd, kTextExportFailed, kCaptionError, r);
}
void ExportPower(HWND hwnd, int cut) { Export(hwnd, kPowerStatistics, cut); }
void ExportWork(HWND hwnd, int cut) { Export(hwnd, kWorkStatistics, cut); }

void Language(HWND hwnd, int offset) {
    SwitchLanguage(hwnd, MonitorOf(hwnd).config, static_cast<uint16_t>(offset),
                   MonitorOf(hwnd).link.port.port);
}

void Print(HWND hwnd, int offset) {
    const MainWindowState& state = StateOf(hwnd);
    const Monitor& monitor = MonitorOf(hwnd);
    RunPrintCommand(hwnd, static_cast<PrintCommand>(offset),
                    PrintInputs{state.print, state.drawing, monitor.model, monitor.statistics,
                                monitor.config.statisticsFileName});
}

// The snapshot of the last cycle end as a bitmap file; afterwards the display runs again,
// whatever came of the dump.
void ScreenDump(HWND hwnd, int) {
    const CycleSnapshot& snapshot = StateOf(hwnd).snapshot;
    if (snapshot.width == 0) {
        ShowMessage(hwnd, kTextNoCurve, kCaptionScreenDump, 0);
        return;
    }
    // A bitmap that cannot be made again (no memory) is told as one whose format cannot be read.
    const SnapshotBitmap picture(snapshot);
    if (std::unique_ptr<BitmapHeader> header = BuildBitmapHeader(hwnd, picture.bitmap))
        WriteScreenDump(hwnd, *header, picture.bitmap, picture.dc);
    StateOf(hwnd).frozen = false;
    InvalidateRegion(hwnd, Region::kWholeWindow, true);
}

struct CommandRange {
    int first, last;
    void (*run)(HWND, int offset);  // offset = id - first
};

const CommandRange kCommands[] = {
    {IDM_ABOUT, IDM_ABOUT, About},
    {IDM_EXIT, IDM_EXIT, Exit},
    {IDM_CYCLE_END, IDM_CYCLE_END, Snapshot},
    {IDM_DEBUG, IDM_DEBUG, Debug},
    {IDM_PARAMETERS_FIRST, IDM_PARAMETERS_LAST, ParameterSheet},
    {IDM_LOAD_PARAMETERSET, IDM_LOAD_PARAMETERSET, LoadParameters},
    {IDM_SAVE_PARAMETERSET, IDM_SAVE_PARAMETERSET, SaveParameters},
    {IDM_SHOW_POWER, IDM_SHOW_PARAMETERS, ShowView},
    {IDM_SAVE_STATISTICS, IDM_SAVE_STATISTICS, SaveStatistics},
    {IDM_LOAD_STATISTICS, IDM_LOAD_STATISTICS, LoadStatistics},
    {IDM_RESET_FIRST, IDM_RESET_LAST, ResetOne},
    {IDM_RESET_ALL, IDM_RESET_ALL, ResetAll},
    {IDM_PRINT_ACTIVE_CUT, IDM_PRINT_PARAMETERS, Print},
    {IDM_EXPORT_POWER_FIRST, IDM_EXPORT_POWER_LAST, ExportPower},
    {IDM_EXPORT_WORK_FIRST, IDM_EXPORT_WORK_LAST, ExportWork},
    {IDM_REFRESH, IDM_REFRESH, Refresh},
    {IDM_LEGEND, IDM_LEGEND, Legend},
    {IDM_COM_FIRST, IDM_COM_LAST, Port},
    {IDM_AUTO_CONNECT, IDM_AUTO_CONNECT, Scan},
    {IDM_PLANT_LINK, IDM_PLANT_LINK, PlantLinkDialog},
    {IDM_SCREEN_DUMP, IDM_SCREEN_DUMP, ScreenDump},
    {IDM_SHOW_FORECAST, IDM_SHOW_FORECAST,
     [](HWND h, int) { ShowView(h, static_cast<int>(Display::kForecast)); }},
    {IDM_LANGUAGE_ENGLISH, IDM_LANGUAGE_ENGLISH, Language},
    {IDM_LANGUAGE_GERMAN, IDM_LANGUAGE_GERMAN, [](HWND h, int) { Language(h, kLanguageGerman); }},
    {IDM_LANGUAGE_DANISH, IDM_LANGUAGE_DANISH, [](HWND h, int) { Language(h, kLanguageDanish); }},
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

bool HandlesCommand(int id) {
    for (const CommandRange& c : kCommands)
        if (id >= c.first && id <= c.last) return true;
    return false;
}
