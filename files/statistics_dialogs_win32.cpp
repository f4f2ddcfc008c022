#include "files/statistics_dialogs_win32.h"

#include "files/file_dialog_win32.h"
#include "files/results.h"
#include "files/statistics_file.h"

namespace {
const FileType kStatisticsFileType{"KVD Statistics (*.$$$)", "*.$$$", "$$$"};
}

int32_t SaveStatisticsAs(HWND owner) {
    char name[kFileNameBufferSize];
    const int32_t asked = AskSaveFileName(owner, kStatisticsFileType, name);
    if (asked == kResultCancelled) return kResultOk;
    if (asked != kResultOk) return asked;
    return SaveStatisticsAndUse(name);
}

int32_t LoadStatisticsFrom(HWND owner) {
    char name[kFileNameBufferSize];
    if (const int32_t asked = AskOpenFileName(owner, kStatisticsFileType, name)) return asked;
    return LoadStatisticsAndUse(name);
}
