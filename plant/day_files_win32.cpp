#include <windows.h>

#include <cstdio>
#include <cstring>

#include "plant/day_files.h"

int32_t ReadDayFile(const char* path, uint64_t offset, void* buffer, uint32_t n, uint32_t* got) {
    *got = 0;
    // The journal writer appends meanwhile: share reading and writing.
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return static_cast<int32_t>(GetLastError());
    int32_t result = 0;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(h, at, nullptr, FILE_BEGIN)) result = static_cast<int32_t>(GetLastError());
    while (result == 0 && *got < n) {
        DWORD r = 0;
        if (!ReadFile(h, static_cast<char*>(buffer) + *got, n - *got, &r, nullptr))
            result = static_cast<int32_t>(GetLastError());
        if (r == 0) break;
        *got += r;
    }
    CloseHandle(h);
    return result;
}

bool FindDayFiles(const char* folder, const char* after, char* next, char* newest) {
    char pattern[MAX_PATH + 32];
    std::snprintf(pattern, sizeof pattern, "%s\\*.csv", folder);
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(pattern, &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    char first[kDayNameSize] = "", last[kDayNameSize] = "";
    do {
        const char* name = found.cFileName;
        PickDayFile(name, after, first, last);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return TakeDayFiles(first, last, next, newest);
}
