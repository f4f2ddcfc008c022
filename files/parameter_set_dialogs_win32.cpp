#include "files/parameter_set_dialogs_win32.h"

#include "files/file_dialog_win32.h"
#include "files/parameter_set_file.h"

namespace {
const FileType kParameterSetType{"KVD Parameters (*.kvd)", "*.kvd", "kvd"};
}

int32_t SaveParameterSet(HWND owner, const UnitModel& model) {
    return SaveThroughDialog(owner, kParameterSetType,
                             [&model](const char* name) { return WriteParameterSetFile(model, name); });
}

int32_t LoadParameterSet(HWND owner, UnitModel& model) {
    return OpenThroughDialog(owner, kParameterSetType,
                             [&model](const char* name) { return ReadParameterSetFile(model, name); });
}
