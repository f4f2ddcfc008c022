#include "journal/journal_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

#include "journal/journal_line.h"
#include "journal/journal_tail.h"

namespace {

bool ReadAt(void* file, int64_t at, char* buffer, uint32_t n) {
    return pread(*static_cast<int*>(file), buffer, n, static_cast<off_t>(at)) == static_cast<ssize_t>(n);
}

// Writes all n bytes at `at`: 0 or the system error code; *done says how many went.
int32_t WriteAt(int fd, const char* bytes, std::size_t n, off_t at, std::size_t* done) {
    *done = 0;
    while (*done < n) {
        const ssize_t w = pwrite(fd, bytes + *done, n - *done, at + static_cast<off_t>(*done));
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) return errno;
        if (w == 0) return ENOSPC;
        *done += static_cast<std::size_t>(w);
    }
    return 0;
}

// The header or the line feed the file's end needs, then the lines.
JournalAppend WriteLines(int fd, const JournalTail& tail, std::string_view lines) {
    char prefix[kJournalPrefixMax];
    const std::size_t n = JournalPrefix(tail, prefix);
    std::size_t done = 0;
    if (const int32_t r = WriteAt(fd, prefix, n, tail.offset, &done)) return {r, 0};
    const int32_t r = WriteAt(fd, lines.data(), lines.size(), tail.offset + static_cast<off_t>(n), &done);
    return {r, done};
}

}  // namespace

JournalAppend AppendJournalFile(const char* path, std::string_view lines) {
    int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return {errno, 0};
    JournalAppend result{0, 0};
    struct stat st {};
    JournalTail tail{};
    if (fstat(fd, &st) != 0)
        result.error = errno;
    else if (!FindJournalTail(st.st_size, ReadAt, &fd, &tail))
        result.error = errno != 0 ? errno : EIO;
    else if (tail.offset < st.st_size && ftruncate(fd, static_cast<off_t>(tail.offset)) != 0)
        result.error = errno;
    else
        result = WriteLines(fd, tail, lines);
    if (close(fd) != 0 && result.error == 0) result.error = errno;
    return result;
}

int32_t MakeJournalFolder(const char* path) {
    if (mkdir(path, 0755) == 0 || errno == EEXIST) return 0;
    return errno;
}

JournalTime JournalNow() {
    const auto now = std::chrono::system_clock::now();
    const int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const time_t seconds = static_cast<time_t>(ms / 1000);
    struct tm local {};
    localtime_r(&seconds, &local);
    return {ms, static_cast<int32_t>(local.tm_gmtoff / 60)};
}
