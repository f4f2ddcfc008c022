// Makes a file unwritable for this process, root included: the immutable flag natively (root may
// write any file the permission bits forbid), the read-only attribute on Windows. The destructor
// makes it writable again, so that its folder can be removed.
#pragma once

#include <filesystem>

#ifndef _WIN32
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

class UnwritableFile {
public:
    explicit UnwritableFile(std::filesystem::path p) : path_(std::move(p)) { Set(true); }
    ~UnwritableFile() { Set(false); }
    UnwritableFile(const UnwritableFile&) = delete;
    UnwritableFile& operator=(const UnwritableFile&) = delete;

private:
    void Set(bool locked) {
        namespace fs = std::filesystem;
        std::error_code ec;
#ifndef _WIN32
        const int fd = ::open(path_.c_str(), O_RDONLY);
        int flags = 0;
        if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = locked ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);  // refused to others than root: the mode does it then
        }
        if (fd >= 0) ::close(fd);
#endif
        fs::permissions(path_, locked ? fs::perms::owner_read : fs::perms::owner_read | fs::perms::owner_write,
                        ec);
    }
    std::filesystem::path path_;
};
