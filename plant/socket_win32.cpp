#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>

#include "plant/socket.h"

namespace {

// Winsock is started once for the life of the process (the program's one user of it).
bool Started() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

// Waits until the socket can be read (or written): 0, kSocketTimedOut or the Winsock error.
int32_t Await(SOCKET s, bool write, int32_t timeoutMs) {
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval t{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int r = select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &t);
    if (r == 0) return kSocketTimedOut;
    if (r == SOCKET_ERROR) return WSAGetLastError();
    if (FD_ISSET(s, &failed)) {
        int error = 0;
        int length = sizeof error;
        getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
        return error != 0 ? error : WSAECONNRESET;
    }
    return 0;
}

int32_t ConnectOne(const addrinfo* a, int32_t timeoutMs, SOCKET* out) {
    const SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (s == INVALID_SOCKET) return WSAGetLastError();
    u_long nonBlocking = 1;
    int32_t r = ioctlsocket(s, FIONBIO, &nonBlocking) == 0 ? 0 : WSAGetLastError();
    if (r == 0 && connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0) {
        r = WSAGetLastError();
        if (r == WSAEWOULDBLOCK) r = Await(s, true, timeoutMs);
    }
    if (r != 0) {
        closesocket(s);
        return r;
    }
    const BOOL one = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    *out = s;
    return 0;
}

int32_t Connect(const char* host, uint16_t port, int32_t timeoutMs, intptr_t* socket) {
    if (!Started()) return WSASYSNOTREADY;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    char service[8];
    std::snprintf(service, sizeof service, "%u", static_cast<unsigned>(port));
    addrinfo* found = nullptr;
    if (getaddrinfo(host, service, &hints, &found) != 0 || found == nullptr) return kSocketNoAddress;
    int32_t r = kSocketNoAddress;
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        SOCKET s = INVALID_SOCKET;
        r = ConnectOne(a, timeoutMs, &s);
        if (r == 0) {
            *socket = static_cast<intptr_t>(s);
            break;
        }
    }
    freeaddrinfo(found);
    return r;
}

int32_t SendAll(intptr_t socket, const uint8_t* bytes, std::size_t n, int32_t timeoutMs) {
    const auto s = static_cast<SOCKET>(socket);
    while (n > 0) {
        const int chunk = n > 65536 ? 65536 : static_cast<int>(n);
        const int sent = send(s, reinterpret_cast<const char*>(bytes), chunk, 0);
        if (sent > 0) {
            bytes += sent;
            n -= static_cast<std::size_t>(sent);
            continue;
        }
        const int32_t error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK) return error;
        if (const int32_t r = Await(s, true, timeoutMs)) return r;
    }
    return 0;
}

int32_t Receive(intptr_t socket, uint8_t* buffer, std::size_t capacity, int32_t timeoutMs, std::size_t* got) {
    const auto s = static_cast<SOCKET>(socket);
    *got = 0;
    if (const int32_t r = Await(s, false, timeoutMs)) return r;
    const int chunk = capacity > 65536 ? 65536 : static_cast<int>(capacity);
    const int n = recv(s, reinterpret_cast<char*>(buffer), chunk, 0);
    if (n > 0) {
        *got = static_cast<std::size_t>(n);
        return 0;
    }
    if (n == 0) return kSocketPeerClosed;
    const int32_t error = WSAGetLastError();
    return error == WSAEWOULDBLOCK ? kSocketTimedOut : error;
}

void Close(intptr_t socket) { closesocket(static_cast<SOCKET>(socket)); }

}  // namespace

SocketService SystemSockets() { return {Connect, SendAll, Receive, Close}; }

const char* SocketErrorText(int32_t result) {
    if (const char* tls = TlsErrorText(result)) return tls;
    switch (result) {
        case 0:
            return "no error";
        case kSocketTimedOut:
        case WSAETIMEDOUT:
            return "timed out";
        case kSocketPeerClosed:
            return "the broker closed the connection";
        case kSocketNoAddress:
            return "the broker's host name is not known";
        case WSAECONNREFUSED:
            return "connection refused";
        case WSAENETUNREACH:
        case WSAEHOSTUNREACH:
            return "no route to the broker";
        case WSAECONNRESET:
        case WSAECONNABORTED:
            return "the connection was reset";
        default:
            return "network error";
    }
}
