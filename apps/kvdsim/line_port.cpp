#include "line_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace kvdsim {

namespace {

std::string SystemError(const std::string& step) { return step + ": " + std::strerror(errno); }

bool MakeRaw(int fd, bool setSpeed) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    cfmakeraw(&t);
    if (setSpeed) {
        cfsetispeed(&t, B19200);
        cfsetospeed(&t, B19200);
        t.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB | CSIZE | CRTSCTS);
        t.c_cflag |= CS8 | CLOCAL | CREAD;
    }
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

std::string LinkTarget(const std::string& link) {
    char buf[PATH_MAX];
    const ssize_t n = readlink(link.c_str(), buf, sizeof buf - 1);
    if (n < 0) return "";
    return std::string(buf, static_cast<std::size_t>(n));
}

}  // namespace

bool LinePort::OpenPty(const std::string& linkPath, std::string& error) {
    Close();
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0) {
        error = SystemError("posix_openpt");
        return false;
    }
    const char* name = nullptr;
    if (grantpt(master) != 0 || unlockpt(master) != 0 || (name = ptsname(master)) == nullptr) {
        error = SystemError("preparing the pty");
        close(master);
        return false;
    }
    slave_ = name;
    // The slave's settings are made raw here, once; they stay with the pty while the master
    // lives, whoever opens the slave later.
    const int slave = open(slave_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0 || !MakeRaw(slave, true)) {
        error = SystemError("setting the pty raw");
        if (slave >= 0) close(slave);
        close(master);
        return false;
    }
    close(slave);

    struct stat st {};
    if (lstat(linkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        error = linkPath + " exists and is not a symlink; not replacing it";
        close(master);
        return false;
    }
    // Replace atomically, so a program opening the path never finds it missing.
    const std::string temp = linkPath + ".kvdsim-" + std::to_string(getpid());
    unlink(temp.c_str());
    if (symlink(slave_.c_str(), temp.c_str()) != 0 || rename(temp.c_str(), linkPath.c_str()) != 0) {
        error = SystemError("linking " + linkPath + " to " + slave_);
        unlink(temp.c_str());
        close(master);
        return false;
    }
    fd_ = master;
    pty_ = true;
    link_ = linkPath;
    return true;
}

bool LinePort::OpenTty(const std::string& device, std::string& error) {
    Close();
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = SystemError("opening " + device);
        return false;
    }
    if (!MakeRaw(fd, true)) {
        error = SystemError("setting " + device + " to 19200 8N1 raw");
        close(fd);
        return false;
    }
    tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    pty_ = false;
    slave_ = device;
    return true;
}

void LinePort::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!link_.empty() && LinkTarget(link_) == slave_) unlink(link_.c_str());
    link_.clear();
}

std::string LinePort::Description() const { return pty_ ? link_ + " -> " + slave_ : slave_; }

bool LinePort::PeerPresent() const {
    if (fd_ < 0) return false;
    if (!pty_) return true;
    pollfd p{fd_, 0, 0};
    if (poll(&p, 1, 0) < 0) return false;
    return (p.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
}

void LinePort::DiscardUnread() {
    if (!pty_ || fd_ < 0) return;
    const int slave = open(slave_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0) return;
    tcflush(slave, TCIFLUSH);
    close(slave);
}

long LinePort::UnreadByPeer() const {
    if (fd_ < 0) return -1;
    int count = 0;
    if (!pty_) return ioctl(fd_, TIOCOUTQ, &count) == 0 ? count : -1;
    // The master cannot tell; the slave's input queue can.
    const int slave = open(slave_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0) return -1;
    const int rc = ioctl(slave, FIONREAD, &count);
    close(slave);
    return rc == 0 ? count : -1;
}

long LinePort::Write(const uint8_t* bytes, std::size_t count) {
    if (fd_ < 0) return -1;
    const ssize_t n = write(fd_, bytes, count);
    if (n >= 0) return n;
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

long LinePort::Read(uint8_t* bytes, std::size_t count) {
    if (fd_ < 0) return -1;
    const ssize_t n = read(fd_, bytes, count);
    if (n > 0) return n;
    if (n == 0) return -1;  // a device that reports end of file is gone
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

}  // namespace kvdsim
