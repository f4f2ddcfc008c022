#include <windows.h>

#include <cstring>

#include "journal/journal_file.h"
#include "journal/journal_line.h"
#include "journal/journal_tail.h"

namespace {

bool SeekTo(HANDLE h, int64_t at) {
    LARGE_INTEGER pos;
    pos.QuadPart = at;
    return SetFilePointerEx(h, pos, nullptr, FILE_BEGIN) != FALSE;
}

bool ReadAt(void* file, int64_t at, char* buffer, uint32_t n) {
    const HANDLE h = *static_cast<HANDLE*>(file);
    DWORD got = 0;
    return SeekTo(h, at) && ReadFile(h, buffer, n, &got, nullptr) && got == n;
}

int32_t LastError(int32_t otherwise) {
    const DWORD e = GetLastError();
    return e != 0 ? static_cast<int32_t>(e) : otherwise;
}

// Writes all n bytes at the file pointer: 0 or the system error code; *done says how many went.
int32_t WriteAll(HANDLE h, const char* bytes, std::size_t n, std::size_t* done) {
    *done = 0;
    while (*done < n) {
        const DWORD part = static_cast<DWORD>(n - *done > 1u << 20 ? 1u << 20 : n - *done);
        DWORD written = 0;
        if (!WriteFile(h, bytes + *done, part, &written, nullptr)) return LastError(ERROR_WRITE_FAULT);
        if (written == 0) return ERROR_DISK_FULL;
        *done += written;
    }
    return 0;
}

// The header or the line feed the file's end needs, then the lines.
JournalAppend WriteLines(HANDLE h, const JournalTail& tail, std::string_view lines) {
    char prefix[kJournalPrefixMax];
    const std::size_t n = JournalPrefix(tail, prefix);
    std::size_t done = 0;
    if (const int32_t r = WriteAll(h, prefix, n, &done)) return {r, 0};
    const int32_t r = WriteAll(h, lines.data(), lines.size(), &done);
    return {r, done};
}

int64_t FileTimeMs(const FILETIME& t) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    return static_cast<int64_t>(v.QuadPart / 10000);
}

}  // namespace

JournalAppend AppendJournalFile(const char* path, std::string_view lines) {
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {LastError(ERROR_OPEN_FAILED), 0};
    JournalAppend result{0, 0};
    LARGE_INTEGER size;
    JournalTail tail{};
    if (!GetFileSizeEx(h, &size) || !FindJournalTail(size.QuadPart, ReadAt, &h, &tail) ||
        !SeekTo(h, tail.offset) || (tail.offset < size.QuadPart && !SetEndOfFile(h)))
        result.error = LastError(ERROR_READ_FAULT);
    else
        result = WriteLines(h, tail, lines);
    if (!CloseHandle(h) && result.error == 0) result.error = LastError(ERROR_WRITE_FAULT);
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
