#include "files/statistics_dialogs_win32.h"

#include "files/file_dialog_win32.h"
#include "files/statistics_file.h"

namespace {
const FileType kStatisticsFileType{"KVD Statistics (*.$$$)", "*.$$$", "$$$"};
}

int32_t SaveStatisticsAs(HWND owner) {
    return SaveThroughDialog(owner, kStatisticsFileType, SaveStatisticsAndUse);
}

int32_t LoadStatisticsFrom(HWND owner) {
    return OpenThroughDialog(owner, kStatisticsFileType, LoadStatisticsAndUse);
}
