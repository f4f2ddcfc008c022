#include "files/parameter_set_dialogs_win32.h"

#include "files/file_dialog_win32.h"
#include "files/parameter_set_file.h"
#include "files/results.h"

namespace {
const FileType kParameterSetType{"KVD Parameters (*.kvd)", "*.kvd", "kvd"};
}

int32_t SaveParameterSet(HWND owner) {
    char name[kFileNameBufferSize];
    const int32_t asked = AskSaveFileName(owner, kParameterSetType, name);
    if (asked == kResultCancelled) return kResultOk;
    if (asked != kResultOk) return asked;
    return WriteParameterSetFile(name);
}

int32_t LoadParameterSet(HWND owner) {
    char name[kFileNameBufferSize];
    if (const int32_t asked = AskOpenFileName(owner, kParameterSetType, name)) return asked;
    return ReadParameterSetFile(name);
}
