// The board's bounds on its clients, below the routes: how many connections it holds (served and
// waiting for a worker; beyond them a connection gets 503 at once and is closed), and how long and
// how large a request may be before it is answered. A client that sends nothing, or trickles its
// header lines, loses its connection when its time is up, so it cannot keep another client's
// request waiting, nor hold file descriptors the collector needs for its journals.
#pragma once

#include <httplib.h>

#include <cstddef>

namespace kvdboard {

struct GuardLimits {
    std::size_t threads;       // connections served at once
    std::size_t queued;        // connections accepted and waiting for a worker
    int requestSeconds;        // a request must have come whole within this, from its first wait
    std::size_t requestBytes;  // ... and in at most this many bytes (head and body)
    int writeSeconds;          // a send that finds no room for this long ends the connection
};

class GuardedServer : public httplib::Server {
public:
    explicit GuardedServer(const GuardLimits& limits);

private:
    bool process_and_close_socket(socket_t sock) override;
    GuardLimits limits_;
};

}  // namespace kvdboard
