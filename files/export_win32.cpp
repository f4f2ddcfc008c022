#include "files/export_win32.h"

#include "files/export.h"
#include "files/file_dialog_win32.h"
#include "files/results.h"

int32_t ExportStatistics(HWND owner, int kind, int cut) {
    static const FileType kSpreadsheetType{"Spreadsheet output (*.xls)", "*.xls", "xls"};
    char name[kFileNameBufferSize];
    const int32_t asked = AskSaveFileName(owner, kSpreadsheetType, name);
    if (asked == kResultCancelled) return kResultOk;
    if (asked != kResultOk) return asked;
    return WriteStatisticsExport(name, kind, cut);
}
