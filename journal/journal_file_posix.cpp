#include "journal/journal_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

#include "journal/journal_line.h"

namespace {

// Length of the file once an unfinished last line is cut off; -1 on a read failure.
off_t WholeLinesLength(int fd, off_t size) {
    char last = '\n';
    if (size == 0) return 0;
    if (pread(fd, &last, 1, size - 1) != 1) return -1;
    if (last == '\n') return size;
    // A line is never longer than kJournalLineMax: its start lies within that reach.
    char tail[kJournalLineMax + 1];
    const off_t from = size > static_cast<off_t>(sizeof tail) ? size - static_cast<off_t>(sizeof tail) : 0;
    const ssize_t got = pread(fd, tail, static_cast<size_t>(size - from), from);
    if (got != size - from) return -1;
    for (ssize_t i = got - 1; i >= 0; --i)
        if (tail[i] == '\n') return from + i + 1;
    return from;
}

}  // namespace

int32_t AppendJournalFile(const char* path, std::string_view line) {
    const int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    int32_t result = 0;
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        result = errno;
    } else {
        const off_t keep = WholeLinesLength(fd, st.st_size);
        if (keep < 0)
            result = errno != 0 ? errno : EIO;
        else if (keep != st.st_size && ftruncate(fd, keep) != 0)
            result = errno;
        if (result == 0) {
            char buffer[kJournalHeader.size() + 1 + kJournalLineMax];
            std::size_t n = 0;
            if (keep == 0) {
                std::memcpy(buffer, kJournalHeader.data(), kJournalHeader.size());
                buffer[kJournalHeader.size()] = '\n';
                n = kJournalHeader.size() + 1;
            }
            const std::size_t take = line.size() <= kJournalLineMax ? line.size() : kJournalLineMax;
            std::memcpy(buffer + n, line.data(), take);
            n += take;
            const ssize_t written = pwrite(fd, buffer, n, keep);
            if (written < 0)
                result = errno;
            else if (static_cast<std::size_t>(written) != n)
                result = ENOSPC;
        }
    }
    if (close(fd) != 0 && result == 0) result = errno;
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
