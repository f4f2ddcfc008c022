// The board's HTTP side: the page, a JSON snapshot of every machine, one machine's history and a
// stream of changes (Server-Sent Events). It only reads the model: no request reaches a monitor.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "board_model.h"

namespace kvdboard {

struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 8080;          // 0: a free port (see BoardServer::Port)
    std::string token;        // empty: no token asked
    std::string journalRoot;  // kvdplant's folder; empty: no history
    // kvdplant's database (a libpq connection string) and its password ("" for libpq's own
    // sources): when given, the history reads its `cycles` instead of the journals.
    std::string database, databasePassword;
    std::size_t maxEventClients = 8;
    // Workers: one per event stream, the rest serve pages and snapshots beside them.
    std::size_t threads = 16;
    int timeoutSeconds = 5;              // a client that takes nothing for this long is dropped
    std::size_t maxQueued = 32;          // connections waiting for a worker; beyond them 503 at once
    int requestSeconds = 3;              // a request (idle or trickled) must have come whole by then
    std::size_t requestBytes = 16384;    // ... in at most this many bytes: headers are bounded
    std::size_t maxHistoryRequests = 2;  // histories read journals or the database: this many at once
};

// "HOST:PORT" or "[IPv6]:PORT". On failure returns false with the reason in error.
[[nodiscard]] bool ParseListenAddress(std::string_view text, std::string& host, int& port,
                                      std::string& error);

class BoardServer {
public:
    BoardServer(BoardModel& model, ServerOptions options);
    ~BoardServer();
    BoardServer(const BoardServer&) = delete;
    BoardServer& operator=(const BoardServer&) = delete;

    // Binds and starts serving on a thread of its own; false with a message if it cannot bind.
    [[nodiscard]] bool Start(std::string& error);
    int Port() const;
    // Ends every stream and request and joins the threads; also done by the destructor.
    void Stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kvdboard
