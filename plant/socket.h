// The plant link's one seam to the network: a TCP connection to the broker (Winsock in the
// program, POSIX natively). Every call is bounded in time, so the publisher's thread can always
// notice that it is asked to stop.
#pragma once

#include <cstddef>
#include <cstdint>

// Results besides 0 and the system's own error numbers.
constexpr int32_t kSocketTimedOut = -1;    // nothing within the time given
constexpr int32_t kSocketPeerClosed = -2;  // the broker closed the connection
constexpr int32_t kSocketNoAddress = -3;   // the host name resolves to no address

struct SocketService {
    // Resolves `host` and connects within timeoutMs: 0 and *socket, or an error.
    int32_t (*connect)(const char* host, uint16_t port, int32_t timeoutMs, intptr_t* socket);
    // Sends all n bytes, each wait for room bounded by timeoutMs: 0 or an error.
    int32_t (*sendAll)(intptr_t socket, const uint8_t* bytes, std::size_t n, int32_t timeoutMs);
    // Waits up to timeoutMs for bytes and takes what has come (at most capacity): 0 with *got > 0,
    // kSocketTimedOut, kSocketPeerClosed or an error.
    int32_t (*receive)(intptr_t socket, uint8_t* buffer, std::size_t capacity, int32_t timeoutMs,
                       std::size_t* got);
    void (*close)(intptr_t socket);
};

SocketService SystemSockets();

// A short text for a socket result, for the link's last error ("connection refused", ...).
const char* SocketErrorText(int32_t result);
