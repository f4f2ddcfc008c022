#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "plant/socket.h"

namespace {

// Waits for the socket to become ready for `events`: 0, kSocketTimedOut or errno.
int32_t Await(int fd, short events, int32_t timeoutMs) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int r = poll(&p, 1, timeoutMs);
        if (r > 0) return 0;
        if (r == 0) return kSocketTimedOut;
        if (errno != EINTR) return errno;
    }
}

int32_t ConnectOne(const addrinfo* a, int32_t timeoutMs, int* out) {
    const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) return errno;
    int32_t r = 0;
    if (connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
        r = errno == EINPROGRESS ? Await(fd, POLLOUT, timeoutMs) : errno;
        int error = 0;
        socklen_t length = sizeof error;
        if (r == 0 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) r = errno;
        if (r == 0) r = error;
    }
    if (r != 0) {
        close(fd);
        return r;
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);  // small packets, sent at once
    *out = fd;
    return 0;
}

int32_t Connect(const char* host, uint16_t port, int32_t timeoutMs, intptr_t* socket) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    char service[8];
    std::snprintf(service, sizeof service, "%u", static_cast<unsigned>(port));
    addrinfo* found = nullptr;
    if (getaddrinfo(host, service, &hints, &found) != 0 || found == nullptr) return kSocketNoAddress;
    int32_t r = kSocketNoAddress;
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        int fd = -1;
        r = ConnectOne(a, timeoutMs, &fd);
        if (r == 0) {
            *socket = fd;
            break;
        }
    }
    freeaddrinfo(found);
    return r;
}

int32_t SendAll(intptr_t socket, const uint8_t* bytes, std::size_t n, int32_t timeoutMs) {
    const int fd = static_cast<int>(socket);
    while (n > 0) {
        const ssize_t sent = send(fd, bytes, n, MSG_NOSIGNAL);
        if (sent > 0) {
            bytes += sent;
            n -= static_cast<std::size_t>(sent);
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (const int32_t r = Await(fd, POLLOUT, timeoutMs)) return r;
        } else if (sent < 0 && errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

int32_t Receive(intptr_t socket, uint8_t* buffer, std::size_t capacity, int32_t timeoutMs, std::size_t* got) {
    const int fd = static_cast<int>(socket);
    *got = 0;
    if (const int32_t r = Await(fd, POLLIN, timeoutMs)) return r;
    for (;;) {
        const ssize_t n = recv(fd, buffer, capacity, 0);
        if (n > 0) {
            *got = static_cast<std::size_t>(n);
            return 0;
        }
        if (n == 0) return kSocketPeerClosed;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return kSocketTimedOut;
        if (errno != EINTR) return errno;
    }
}

void Close(intptr_t socket) { close(static_cast<int>(socket)); }

}  // namespace

SocketService SystemSockets() { return {Connect, SendAll, Receive, Close}; }

// Natively the link has no TLS (the collector's side has libmosquitto's): a link set to TLS says so.
SocketService TlsSockets(const char*) {
    return {[](const char*, uint16_t, int32_t, intptr_t*) { return kSocketTlsMissing; }, SendAll, Receive,
            Close};
}

const char* SocketErrorText(int32_t result) {
    if (const char* tls = TlsErrorText(result)) return tls;
    switch (result) {
        case 0:
            return "no error";
        case kSocketTimedOut:
            return "timed out";
        case kSocketPeerClosed:
            return "the broker closed the connection";
        case kSocketNoAddress:
            return "the broker's host name is not known";
        case ECONNREFUSED:
            return "connection refused";
        case ETIMEDOUT:
            return "timed out";
        case ENETUNREACH:
        case EHOSTUNREACH:
            return "no route to the broker";
        case ECONNRESET:
            return "the connection was reset";
        case EPIPE:
            return "the connection is broken";
        default:
            return "network error";
    }
}
