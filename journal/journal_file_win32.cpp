#include <windows.h>

#include <cstring>

#include "journal/journal_file.h"
#include "journal/journal_line.h"

namespace {

bool ReadAt(HANDLE h, int64_t at, char* buffer, DWORD n) {
    LARGE_INTEGER pos;
    pos.QuadPart = at;
    DWORD got = 0;
    return SetFilePointerEx(h, pos, nullptr, FILE_BEGIN) && ReadFile(h, buffer, n, &got, nullptr) && got == n;
}

// Length of the file once an unfinished last line is cut off; -1 on a read failure.
int64_t WholeLinesLength(HANDLE h, int64_t size) {
    char last = '\n';
    if (size == 0) return 0;
    if (!ReadAt(h, size - 1, &last, 1)) return -1;
    if (last == '\n') return size;
    char tail[kJournalLineMax + 1];
    const int64_t from =
        size > static_cast<int64_t>(sizeof tail) ? size - static_cast<int64_t>(sizeof tail) : 0;
    if (!ReadAt(h, from, tail, static_cast<DWORD>(size - from))) return -1;
    for (int64_t i = size - from - 1; i >= 0; --i)
        if (tail[i] == '\n') return from + i + 1;
    return from;
}

int64_t FileTimeMs(const FILETIME& t) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    return static_cast<int64_t>(v.QuadPart / 10000);
}

}  // namespace

int32_t AppendJournalFile(const char* path, std::string_view line) {
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return static_cast<int32_t>(GetLastError());
    int32_t result = 0;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size)) {
        result = static_cast<int32_t>(GetLastError());
    } else {
        const int64_t keep = WholeLinesLength(h, size.QuadPart);
        LARGE_INTEGER at;
        at.QuadPart = keep;
        if (keep < 0 || !SetFilePointerEx(h, at, nullptr, FILE_BEGIN) ||
            (keep != size.QuadPart && !SetEndOfFile(h))) {
            result = static_cast<int32_t>(GetLastError());
            if (result == 0) result = ERROR_READ_FAULT;
        } else {
            char buffer[kJournalHeader.size() + 1 + kJournalLineMax];
            DWORD n = 0;
            if (keep == 0) {
                std::memcpy(buffer, kJournalHeader.data(), kJournalHeader.size());
                buffer[kJournalHeader.size()] = '\n';
                n = static_cast<DWORD>(kJournalHeader.size() + 1);
            }
            const std::size_t take = line.size() <= kJournalLineMax ? line.size() : kJournalLineMax;
            std::memcpy(buffer + n, line.data(), take);
            n += static_cast<DWORD>(take);
            DWORD written = 0;
            if (!WriteFile(h, buffer, n, &written, nullptr))
                result = static_cast<int32_t>(GetLastError());
            else if (written != n)
                result = ERROR_DISK_FULL;
        }
    }
    if (!CloseHandle(h) && result == 0) result = static_cast<int32_t>(GetLastError());
    return result;
}

int32_t MakeJournalFolder(const char* path) {
    if (CreateDirectoryA(path, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return 0;
    return static_cast<int32_t>(GetLastError());
}

JournalTime JournalNow() {
    FILETIME utcFile;
    GetSystemTimeAsFileTime(&utcFile);
    SYSTEMTIME utc, local;
    FILETIME localFile;
    int32_t offset = 0;
    if (FileTimeToSystemTime(&utcFile, &utc) && SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) &&
        SystemTimeToFileTime(&local, &localFile))
        offset = static_cast<int32_t>((FileTimeMs(localFile) - FileTimeMs(utcFile)) / 60000);
    // FILETIME counts from 1601; the journal from 1970.
    constexpr int64_t kEpochDifferenceMs = 11644473600000LL;
    return {FileTimeMs(utcFile) - kEpochDifferenceMs, offset};
}
