// The common file dialogs as every file operation of the program uses them: one file type
// (filter entry and default extension), an empty initial name, a 256-byte name buffer. The
// working directory is the same after the dialog as before it, wherever the user browsed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

constexpr int kFileNameBufferSize = 256;

struct FileType {
    const char* description;  // filter text, e.g. "KVD Statistics (*.$$$)"
    const char* pattern;      // e.g. "*.$$$"
    const char* extension;    // default extension without the dot, e.g. "$$$"
};

// Save dialog with the overwrite prompt. 0 with the chosen name in name, the dialog's extended
// error code, or kResultCancelled (30006) when the user cancelled.
[[nodiscard]] int32_t AskSaveFileName(HWND owner, const FileType& type, char name[kFileNameBufferSize]);
// Open dialog, read-only box hidden, offering to create a file that does not exist. Results as
// for AskSaveFileName.
[[nodiscard]] int32_t AskOpenFileName(HWND owner, const FileType& type, char name[kFileNameBufferSize]);

// A file operation on the chosen name: 0 or a result number.
using FileOperation = std::function<int32_t(const char* name)>;
// Save-type menu commands: the save dialog, then the operation. 0 also when the user cancelled.
[[nodiscard]] int32_t SaveThroughDialog(HWND owner, const FileType& type, const FileOperation& save);
// Load-type menu commands: the open dialog, then the operation. 30006 when the user cancelled.
[[nodiscard]] int32_t OpenThroughDialog(HWND owner, const FileType& type, const FileOperation& open);
