#include <windows.h>

#include "files/file_io.h"

int32_t File::Open(const char* name, int access, FileDisposition disposition) {
    static_cast<void>(Close());
    DWORD desired = 0;
    if (access & kFileRead) desired |= GENERIC_READ;
    if (access & kFileWrite) desired |= GENERIC_WRITE;
    const DWORD how = disposition == FileDisposition::kOpenAlways     ? OPEN_ALWAYS
                      : disposition == FileDisposition::kCreateAlways ? CREATE_ALWAYS
                                                                      : OPEN_EXISTING;
    SetLastError(0);
    HANDLE h = CreateFileA(name, desired, 0, nullptr, how, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return static_cast<int32_t>(GetLastError());
    existed_ = disposition == FileDisposition::kOpenExisting ||
               (disposition == FileDisposition::kOpenAlways && GetLastError() == ERROR_ALREADY_EXISTS);
    handle_ = reinterpret_cast<intptr_t>(h);
    return 0;
}

int32_t File::Read(void* buffer, uint32_t n, uint32_t* got) {
    *got = 0;
    auto* p = static_cast<char*>(buffer);
    while (*got < n) {
        DWORD r = 0;
        if (!ReadFile(reinterpret_cast<HANDLE>(handle_), p + *got, n - *got, &r, nullptr))
            return static_cast<int32_t>(GetLastError());
        if (r == 0) break;
        *got += r;
    }
    return 0;
}

int32_t File::Write(const void* buffer, uint32_t n, uint32_t* written) {
    *written = 0;
    const auto* p = static_cast<const char*>(buffer);
    while (*written < n) {
        DWORD w = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(handle_), p + *written, n - *written, &w, nullptr))
            return static_cast<int32_t>(GetLastError());
        if (w == 0) break;
        *written += w;
    }
    return 0;
}

int32_t File::Seek(uint32_t offset) {
    if (SetFilePointer(reinterpret_cast<HANDLE>(handle_), static_cast<LONG>(offset), nullptr, FILE_BEGIN) ==
        INVALID_SET_FILE_POINTER)
        return static_cast<int32_t>(GetLastError());
    return 0;
}

int32_t File::Flush() {
    return FlushFileBuffers(reinterpret_cast<HANDLE>(handle_)) ? 0 : static_cast<int32_t>(GetLastError());
}

bool IsMissingFile(int32_t openResult) {
    return openResult == ERROR_FILE_NOT_FOUND || openResult == ERROR_PATH_NOT_FOUND;
}

int32_t File::Close() {
    if (handle_ == kInvalid) return 0;
    const BOOL ok = CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = kInvalid;
    return ok ? 0 : static_cast<int32_t>(GetLastError());
}

int32_t MoveFileOver(const char* from, const char* to) {
    // Written through: the rename has reached the disk when this returns.
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : static_cast<int32_t>(GetLastError());
}

void RemoveFile(const char* name) { DeleteFileA(name); }

bool FullPathOf(const char* name, char* out, std::size_t size) {
    const DWORD n = GetFullPathNameA(name, static_cast<DWORD>(size), out, nullptr);
    return n > 0 && n < size;
}

void ReleasePages(void* data, std::size_t size) {
    uintptr_t first = 0;
    std::size_t length = 0;
    // MEM_RESET keeps the pages committed and the address the caller's; only their content goes.
    if (WholePages(data, size, first, length))
        static_cast<void>(VirtualAlloc(reinterpret_cast<void*>(first), length, MEM_RESET, PAGE_READWRITE));
}
