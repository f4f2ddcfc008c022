// The board's HTTP side on a loopback port: what it answers to requests it must refuse, and that
// clients which stall, whether sending or reading, neither stop the collection nor keep a place.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "board_server.h"

namespace kvdboard {
namespace {

using namespace std::chrono_literals;

class Socket {
public:
    // rcvbuf > 0: a small receive buffer, so a client that never reads is full soon.
    explicit Socket(int port, int rcvbuf = 0) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        if (rcvbuf > 0) setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
        timeval tv{10, 0};
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~Socket() { close(fd_); }
    bool Send(const std::string& s) {
        return connected_ && send(fd_, s.data(), s.size(), MSG_NOSIGNAL) == ssize_t(s.size());
    }
    // What comes until the text holds needle, the server closes, or the receive time-out.
    std::string Read(const std::string& needle = "\x01never") {
        std::string out;
        char b[4096];
        for (ssize_t n; out.find(needle) == std::string::npos && (n = recv(fd_, b, sizeof b, 0)) > 0;)
            out.append(b, static_cast<std::size_t>(n));
        return out;
    }

private:
    int fd_;
    bool connected_ = false;
};

std::string Exchange(int port, const std::string& request) {
    Socket s(port);
    EXPECT_TRUE(s.Send(request));
    return s.Read();
}

std::string Get(int port, const std::string& target, const std::string& headers = "") {
    return Exchange(port,
                    "GET " + target + " HTTP/1.1\r\nHost: board\r\nConnection: close\r\n" + headers + "\r\n");
}

JournalRecord Cycle(int i) {
    JournalRecord r{};
    r.time = {1796796000000LL + i * 1000LL, 60};
    r.cut = 0;
    r.peak = static_cast<uint8_t>(30 + i % 40);
    r.breakLimit = 80;
    r.bluntLimit = 60;
    return r;
}

struct Board {
    BoardModel model;
    BoardServer server;
    explicit Board(ServerOptions o)
        : server(model, [&] {
              o.host = "127.0.0.1";
              o.port = 0;
              o.token = "t0k";
              return o;
          }()) {
        std::string error;
        EXPECT_TRUE(server.Start(error)) << error;
        model.OnState("M1", {true, true, 0, 0});
    }
    int Port() const { return server.Port(); }
};

TEST(BoardServer, RefusesWhatItMustNotServe) {
    ServerOptions o;
    o.journalRoot = "/nonexistent";
    o.timeoutSeconds = 1;
    Board b(o);
    const int port = b.Port();
    struct Row {
        std::string request, statusLine;
    } rows[] = {
        {"GARBAGE\r\n\r\n", "HTTP/1.1 400"},
        {"GET / HTTP/1.1\r\nHost: b\r\nConnection: close\r\nX-Long: " + std::string(20000, 'a') + "\r\n\r\n",
         "HTTP/1.1 400"},
        {"POST /api/machines?token=t0k HTTP/1.1\r\nHost: b\r\nConnection: close\r\nContent-Length: "
         "4\r\n\r\nstop",
         "HTTP/1.1 405"},
        {"DELETE /api/machines/M1?token=t0k HTTP/1.1\r\nHost: b\r\nConnection: close\r\n\r\n",
         "HTTP/1.1 405"},
        {"GET /api/machines HTTP/1.1\r\nHost: b\r\nConnection: close\r\n\r\n", "HTTP/1.1 401"},
        {"GET /api/machines HTTP/1.1\r\nHost: b\r\nConnection: close\r\nAuthorization: Bearer t0",
         "HTTP/1.1 401"},
        {"GET /api/machines?token=t0kk HTTP/1.1\r\nHost: b\r\nConnection: close\r\n\r\n", "HTTP/1.1 401"},
        {"GET /api/machines/..%2F..%2Fetc/history?token=t0k HTTP/1.1\r\nHost: b\r\nConnection: close\r\n\r\n",
         "HTTP/1.1 404"},
        {"GET /api/machines/M1/history?token=t0k&days=0 HTTP/1.1\r\nHost: b\r\nConnection: close\r\n\r\n",
         "HTTP/1.1 400"},
        {"GET /api/machines/M9?token=t0k HTTP/1.1\r\nHost: b\r\nConnection: close\r\n\r\n", "HTTP/1.1 404"},
    };
    for (const Row& r : rows) {
        const std::string answer = Exchange(port, r.request + "\r\n\r\n");
        EXPECT_EQ(answer.substr(0, r.statusLine.size()), r.statusLine) << r.request.substr(0, 60) << "\n"
                                                                       << answer;
    }
    // After all that it serves: the page without a token, the data with one.
    EXPECT_EQ(Get(port, "/").substr(0, 12), "HTTP/1.1 200");
    const std::string data = Get(port, "/api/machines", "Authorization: Bearer t0k\r\n");
    EXPECT_EQ(data.substr(0, 12), "HTTP/1.1 200");
    EXPECT_NE(data.find("\"name\":\"M1\""), std::string::npos);
}

TEST(BoardServer, StalledClientsNeitherStopCollectionNorKeepTheirPlace) {
    ServerOptions o;
    o.maxEventClients = 2;
    o.timeoutSeconds = 1;
    Board b(o);
    const int port = b.Port();
    const std::string events = "GET /api/events?token=t0k HTTP/1.1\r\nHost: b\r\nConnection: close\r\n\r\n";
    // 1. Two streams that never read, and a request that never ends.
    Socket stalled1(port, 2048), stalled2(port, 2048), halfRequest(port);
    ASSERT_TRUE(stalled1.Send(events) && stalled2.Send(events) && halfRequest.Send("GET /api/mach"));
    std::this_thread::sleep_for(200ms);
    // 2. Every place for a stream is taken.
    EXPECT_EQ(Exchange(port, events).substr(0, 12), "HTTP/1.1 503");
    // 3. Cycles keep coming, far more than the stalled streams' buffers hold, and no call waits
    //    (a write time-out of the streams would show as a second).
    auto longest = std::chrono::steady_clock::duration::zero();
    for (int i = 0; i < 20000; ++i) {
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(b.model.OnCycle("M" + std::to_string(i % 4), Cycle(i), static_cast<uint64_t>(i)));
        longest = std::max(longest, std::chrono::steady_clock::now() - start);
        if (i % 100 == 0) std::this_thread::sleep_for(5ms);  // the streams write meanwhile
    }
    EXPECT_LT(longest, 500ms) << "the writer waited for the streams";
    // 4. The half request is dropped after the time-out, and the stalled streams too, so a new
    //    stream gets its place and the whole board at once.
    const auto asked = std::chrono::steady_clock::now();
    halfRequest.Read();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 4s) << "a request that never ends kept its worker";
    std::this_thread::sleep_for(2500ms);
    Socket fresh(port);
    ASSERT_TRUE(fresh.Send(events));
    const std::string first = fresh.Read("\"name\":\"M3\"");
    EXPECT_EQ(first.substr(0, 12), "HTTP/1.1 200");
    EXPECT_NE(first.find("\"sequence\":19999"), std::string::npos) << first.substr(0, 400);
}

}  // namespace
}  // namespace kvdboard
