#include "files/parameter_set_dialogs_win32.h"

#include <commdlg.h>

#include "files/parameter_set_file.h"
#include "files/results.h"

namespace {

constexpr char kFilter[] = "KVD Parameters (*.kvd)\0*.kvd\0";
constexpr int kNameSize = 256;

// The dialogs may move the working directory to the folder the user browsed to; the
// configuration and the statistics autosave live in the working directory, so it is put back.
class KeepWorkingDirectory {
public:
    KeepWorkingDirectory() {
        const DWORD length = GetCurrentDirectoryA(sizeof directory_, directory_);
        kept_ = length > 0 && length < sizeof directory_;
    }
    ~KeepWorkingDirectory() {
        if (kept_) SetCurrentDirectoryA(directory_);
    }
    KeepWorkingDirectory(const KeepWorkingDirectory&) = delete;
    KeepWorkingDirectory& operator=(const KeepWorkingDirectory&) = delete;

private:
    char directory_[MAX_PATH];
    bool kept_;
};

OPENFILENAMEA FileDialog(HWND owner, char* name, DWORD flags) {
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name;
    dialog.nMaxFile = kNameSize;
    dialog.lpstrDefExt = "kvd";
    dialog.Flags = flags | OFN_NOCHANGEDIR;
    return dialog;
}

}  // namespace

int32_t SaveParameterSet(HWND owner) {
    char name[kNameSize] = "";
    OPENFILENAMEA dialog = FileDialog(owner, name, OFN_OVERWRITEPROMPT);
    {
        KeepWorkingDirectory keep;
        if (!GetSaveFileNameA(&dialog)) return static_cast<int32_t>(CommDlgExtendedError());
    }
    return WriteParameterSetFile(name);
}

int32_t LoadParameterSet(HWND owner) {
    char name[kNameSize] = "";
    OPENFILENAMEA dialog = FileDialog(owner, name, OFN_HIDEREADONLY | OFN_CREATEPROMPT);
    {
        KeepWorkingDirectory keep;
        if (!GetOpenFileNameA(&dialog)) {
            const DWORD error = CommDlgExtendedError();
            return error != 0 ? static_cast<int32_t>(error) : kResultCancelled;
        }
    }
    return ReadParameterSetFile(name);
}
