// The unit's end of the line: a pseudo-terminal whose slave a stable symlink names (the master
// stays open for the whole run, since the pty vanishes with it), or an existing serial device.
// All I/O is non-blocking; the caller polls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kvdsim {

class LinePort {
public:
    LinePort() = default;
    LinePort(const LinePort&) = delete;
    LinePort& operator=(const LinePort&) = delete;
    ~LinePort() { Close(); }

    // Creates the pty in raw mode and points linkPath at its slave. An existing symlink at
    // linkPath is replaced (a run that was killed leaves one); any other file there is an error.
    bool OpenPty(const std::string& linkPath, std::string& error);
    // Opens an existing tty raw, 19200 baud, 8N1, no flow control.
    bool OpenTty(const std::string& device, std::string& error);
    // Closes the line and removes the symlink if it still names this pty.
    void Close();

    int Fd() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    bool IsPty() const { return pty_; }
    const std::string& SlaveName() const { return slave_; }
    // "/tmp/kvd-com1 -> /dev/pts/3", or the device.
    std::string Description() const;

    // Whether a program has the line open. A pty tells (hang-up on the master while no one
    // holds the slave); a serial device is taken to have a listener.
    bool PeerPresent() const;
    // Drops what a reader that went away left unread, so the next one starts clean.
    void DiscardUnread();
    // Bytes written but not yet taken by the reader; -1 when it cannot be told.
    long UnreadByPeer() const;

    // Non-blocking: bytes moved, 0 when the line has no room or nothing to read, -1 on an error
    // of the line (no reader, device gone).
    long Write(const uint8_t* bytes, std::size_t count);
    long Read(uint8_t* bytes, std::size_t count);

private:
    int fd_ = -1;
    bool pty_ = false;
    std::string slave_;
    std::string link_;
};

}  // namespace kvdsim
