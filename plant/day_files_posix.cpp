#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "plant/day_files.h"

int32_t ReadDayFile(const char* path, uint64_t offset, void* buffer, uint32_t n, uint32_t* got) {
    *got = 0;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    int32_t result = 0;
    while (*got < n) {
        const ssize_t r =
            pread(fd, static_cast<char*>(buffer) + *got, n - *got, static_cast<off_t>(offset + *got));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) result = errno;
        if (r <= 0) break;
        *got += static_cast<uint32_t>(r);
    }
    close(fd);
    return result;
}

bool FindDayFiles(const char* folder, const char* after, char* next, char* newest) {
    DIR* d = opendir(folder);
    if (d == nullptr) return false;
    char first[kDayNameSize] = "", last[kDayNameSize] = "";
    while (const dirent* e = readdir(d)) {
        PickDayFile(e->d_name, after, first, last);
    }
    closedir(d);
    return TakeDayFiles(first, last, next, newest);
}
