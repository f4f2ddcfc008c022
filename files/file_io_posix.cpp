#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>

#include "files/file_io.h"

int32_t File::Open(const char* name, int access, FileDisposition disposition) {
    static_cast<void>(Close());
    int flags = access == kFileRead ? O_RDONLY : access == kFileWrite ? O_WRONLY : O_RDWR;
    flags |= O_CLOEXEC;
    existed_ = false;
    int fd = -1;
    switch (disposition) {
        case FileDisposition::kOpenExisting:
            fd = ::open(name, flags);
            existed_ = fd >= 0;
            break;
        case FileDisposition::kCreateAlways:
            fd = ::open(name, flags | O_CREAT | O_TRUNC, 0644);
            break;
        case FileDisposition::kOpenAlways:
            fd = ::open(name, flags);
            if (fd >= 0) {
                existed_ = true;
            } else if (errno == ENOENT) {
                fd = ::open(name, flags | O_CREAT | O_EXCL, 0644);
            }
            break;
    }
    if (fd < 0) return errno != 0 ? errno : EIO;
    handle_ = fd;
    return 0;
}

int32_t File::Read(void* buffer, uint32_t n, uint32_t* got) {
    *got = 0;
    auto* p = static_cast<char*>(buffer);
    while (*got < n) {
        const ssize_t r = ::read(static_cast<int>(handle_), p + *got, n - *got);
        if (r < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (r == 0) break;
        *got += static_cast<uint32_t>(r);
    }
    return 0;
}

int32_t File::Write(const void* buffer, uint32_t n, uint32_t* written) {
    *written = 0;
    const auto* p = static_cast<const char*>(buffer);
    while (*written < n) {
        const ssize_t r = ::write(static_cast<int>(handle_), p + *written, n - *written);
        if (r < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (r == 0) break;
        *written += static_cast<uint32_t>(r);
    }
    return 0;
}

int32_t File::Seek(uint32_t offset) {
    return ::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), SEEK_SET) < 0 ? errno : 0;
}

int32_t File::Flush() { return ::fsync(static_cast<int>(handle_)) == 0 ? 0 : errno; }

bool IsMissingFile(int32_t openResult) { return openResult == ENOENT; }

int32_t File::Close() {
    if (handle_ == kInvalid) return 0;
    const int r = ::close(static_cast<int>(handle_));
    handle_ = kInvalid;
    return r == 0 ? 0 : errno;
}

int32_t MoveFileOver(const char* from, const char* to) { return ::rename(from, to) == 0 ? 0 : errno; }

void RemoveFile(const char* name) { ::unlink(name); }

bool FullPathOf(const char* name, char* out, std::size_t size) {
    const std::size_t n = std::strlen(name);
    if (name[0] == '/') {
        if (n >= size) return false;
        std::memcpy(out, name, n + 1);
        return true;
    }
    if (::getcwd(out, size) == nullptr) return false;
    const std::size_t folder = std::strlen(out);
    if (folder + 1 + n >= size) return false;
    out[folder] = '/';
    std::memcpy(out + folder + 1, name, n + 1);
    return true;
}

void ReleasePages(void* data, std::size_t size) {
    uintptr_t first = 0;
    std::size_t length = 0;
    if (WholePages(data, size, first, length))
        static_cast<void>(madvise(reinterpret_cast<void*>(first), length, MADV_DONTNEED));
}
