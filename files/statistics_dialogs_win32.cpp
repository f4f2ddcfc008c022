#include "files/statistics_dialogs_win32.h"

#include "files/file_dialog_win32.h"
#include "files/statistics_file.h"

namespace {
const FileType kStatisticsFileType{"KVD Statistics (*.$$$)", "*.$$$", "$$$"};
}

int32_t SaveStatisticsAs(HWND owner, int32_t* configuration) {
    return SaveThroughDialog(owner, kStatisticsFileType, [configuration](const char* name) {
        return SaveStatisticsAndUse(name, configuration);
    });
}

int32_t LoadStatisticsFrom(HWND owner, int32_t* configuration) {
    return OpenThroughDialog(owner, kStatisticsFileType, [configuration](const char* name) {
        return LoadStatisticsAndUse(name, configuration);
    });
}
