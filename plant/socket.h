// The plant link's one seam to the network: a TCP connection to the broker (Winsock in the
// program, POSIX natively), or TLS over it (the Windows TLS stack; the program only). Every call
// is bounded in time, so the publisher's thread can always notice that it is asked to stop.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/results.h"

// Results: 0, the system's own error numbers, or the link's own (model/results.h).

constexpr std::size_t kSocketCaPathMax = 259;

// The seam is a value: its functions and what they act on. Whoever holds a copy (a session, the
// dialog's Test) connects with its own trust, so two users never share one choice.
struct SocketService {
    // Resolves `host` and connects within timeoutMs: 0 and *socket, or an error. `self` is the
    // service the call was made through (its CA file).
    int32_t (*connect)(const SocketService& self, const char* host, uint16_t port, int32_t timeoutMs,
                       intptr_t* socket);
    // Sends all n bytes, each wait for room bounded by timeoutMs: 0 or an error.
    int32_t (*sendAll)(intptr_t socket, const uint8_t* bytes, std::size_t n, int32_t timeoutMs);
    // Waits up to timeoutMs for bytes and takes what has come (at most capacity): 0 with *got > 0,
    // kSocketTimedOut, kSocketPeerClosed or an error.
    int32_t (*receive)(intptr_t socket, uint8_t* buffer, std::size_t capacity, int32_t timeoutMs,
                       std::size_t* got);
    void (*close)(intptr_t socket);
    // TLS: the CA file the broker's certificate must chain to; "" trusts the system's store.
    char caFile[kSocketCaPathMax + 1] = {};
};

SocketService SystemSockets();
// TLS over the system's sockets; the broker's certificate must chain to a certificate of caFile
// (PEM; "" for the Windows store) and name the host connected to.
SocketService TlsSockets(const char* caFile);

// A short text for a socket result, for the link's last error ("connection refused", ...).
const char* SocketErrorText(int32_t result);

// The texts of the TLS results, on every platform; null for another result.
inline const char* TlsErrorText(int32_t result) {
    switch (result) {
        case kSocketTlsHandshake:
            return "the TLS handshake with the broker failed";
        case kSocketCertUntrusted:
            return "the broker's certificate is not trusted";
        case kSocketCertName:
            return "the broker's certificate is for another host name";
        case kSocketCertExpired:
            return "the broker's certificate has expired or is not valid yet";
        case kSocketCaFile:
            return "the CA file cannot be read or holds no certificate";
        case kSocketTlsBroken:
            return "the broker sent invalid TLS data";
        case kSocketTlsMissing:
            return "this build has no TLS";
        default:
            return nullptr;
    }
}
