// A file made unwritable for this process, root included (root writes what the mode forbids, so
// natively the immutable flag too); writable again when it goes, so its folder can be removed.
#pragma once

#include <filesystem>
#ifndef _WIN32
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

struct UnwritableFile {
    explicit UnwritableFile(std::filesystem::path p) : path(std::move(p)) { Set(true); }
    ~UnwritableFile() { Set(false); }
    void Set(bool locked) const {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::permissions(path, locked ? fs::perms::owner_read : fs::perms::owner_all, ec);
#ifndef _WIN32
        int flags = 0;
        const int fd = ::open(path.c_str(), O_RDONLY);
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = locked ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);  // only root may; the mode holds the others
        }
        ::close(fd);
#endif
    }
    std::filesystem::path path;
};
