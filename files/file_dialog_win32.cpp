#include "files/file_dialog_win32.h"

#include <commdlg.h>

#include <cstring>

#include "model/results.h"

namespace {

// "description\0pattern\0\0", the form the dialog takes its filter in.
constexpr int kFilterSize = 128;
void BuildFilter(const FileType& type, char (&filter)[kFilterSize]) {
    std::memset(filter, 0, sizeof filter);
    const size_t d = std::strlen(type.description);
    const size_t p = std::strlen(type.pattern);
    if (d + p + 3 > sizeof filter) return;  // no filter rather than a cut one
    std::memcpy(filter, type.description, d);
    std::memcpy(filter + d + 1, type.pattern, p);
}

// The dialogs may move the working directory to the folder the user browsed to (the open dialog
// of some systems ignores OFN_NOCHANGEDIR); the configuration and a relative statistics file in
// use live in the working directory, so it is put back.
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

int32_t Ask(HWND owner, const FileType& type, DWORD flags, bool save, char name[kFileNameBufferSize]) {
    char filter[kFilterSize];
    BuildFilter(type, filter);
    name[0] = '\0';
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter[0] != '\0' ? filter : nullptr;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name;
    ofn.nMaxFile = kFileNameBufferSize;
    ofn.lpstrDefExt = type.extension;
    ofn.Flags = flags | OFN_NOCHANGEDIR;
    KeepWorkingDirectory keep;
    const BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (chosen) return kResultOk;
    name[0] = '\0';
    const DWORD error = CommDlgExtendedError();
    return error != 0 ? static_cast<int32_t>(error) : kResultCancelled;
}

}  // namespace

int32_t AskSaveFileName(HWND owner, const FileType& type, char name[kFileNameBufferSize]) {
    return Ask(owner, type, OFN_OVERWRITEPROMPT, true, name);
}

int32_t AskOpenFileName(HWND owner, const FileType& type, char name[kFileNameBufferSize]) {
    return Ask(owner, type, OFN_HIDEREADONLY | OFN_CREATEPROMPT, false, name);
}

int32_t SaveThroughDialog(HWND owner, const FileType& type, const FileOperation& save) {
    char name[kFileNameBufferSize];
    const int32_t asked = AskSaveFileName(owner, type, name);
    if (asked == kResultCancelled) return kResultOk;
    return asked != kResultOk ? asked : save(name);
}

int32_t OpenThroughDialog(HWND owner, const FileType& type, const FileOperation& open) {
    char name[kFileNameBufferSize];
    const int32_t asked = AskOpenFileName(owner, type, name);
    return asked != kResultOk ? asked : open(name);
}
