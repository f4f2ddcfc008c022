#include "files/statistics_dialogs_win32.h"

#include "files/file_dialog_win32.h"
#include "files/statistics_file.h"

namespace {
const FileType kStatisticsFileType{"KVD Statistics (*.$$$)", "*.$$$", "$$$"};
}

int32_t SaveStatisticsAs(HWND owner, StatisticsFileState& files, int32_t* configuration) {
    return SaveThroughDialog(owner, kStatisticsFileType, [&files, configuration](const char* name) {
        return SaveStatisticsAndUse(files, name, configuration);
    });
}

int32_t LoadStatisticsFrom(HWND owner, StatisticsFileState& files, int32_t* configuration) {
    return OpenThroughDialog(owner, kStatisticsFileType, [&files, configuration](const char* name) {
        return LoadStatisticsAndUse(files, name, configuration);
    });
}
