#include "files/parameter_set_dialogs_win32.h"

#include "files/file_dialog_win32.h"
#include "files/parameter_set_file.h"

namespace {
const FileType kParameterSetType{"KVD Parameters (*.kvd)", "*.kvd", "kvd"};
}

int32_t SaveParameterSet(HWND owner) {
    return SaveThroughDialog(owner, kParameterSetType, WriteParameterSetFile);
}

int32_t LoadParameterSet(HWND owner) {
    return OpenThroughDialog(owner, kParameterSetType, ReadParameterSetFile);
}
