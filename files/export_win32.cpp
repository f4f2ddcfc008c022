#include "files/export_win32.h"

#include "files/export.h"
#include "files/file_dialog_win32.h"

int32_t ExportStatistics(HWND owner, StatisticsFileState& files, StatisticsKind kind, int cut) {
    static const FileType kSpreadsheetType{"Spreadsheet output (*.xls)", "*.xls", "xls"};
    return SaveThroughDialog(owner, kSpreadsheetType, [&files, kind, cut](const char* name) {
        return WriteStatisticsExport(*files.statistics, *files.lock, name, kind, cut);
    });
}
