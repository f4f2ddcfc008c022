#include "board_guard.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kvdboard {

namespace {

using Clock = std::chrono::steady_clock;

// Set on the accepting thread while it turns a connection away itself.
thread_local bool tRefusing = false;

// httplib's pool, bounded: a connection beyond the waiting ones is refused on the accepting thread.
class BoundedPool : public httplib::TaskQueue {
public:
    BoundedPool(std::size_t threads, std::size_t queued) : queued_(queued) {
        for (std::size_t i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
    }
    void enqueue(std::function<void()> fn) override {
        {
            std::lock_guard lock(mutex_);
            if (jobs_.size() < queued_) {
                jobs_.push_back(std::move(fn));
                ready_.notify_one();
                return;
            }
        }
        tRefusing = true;
        fn();  // closes the connection at once (GuardedServer::process_and_close_socket)
        tRefusing = false;
    }
    void shutdown() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        ready_.notify_all();
        for (std::thread& t : workers_) t.join();
    }

private:
    void Work() {
        for (;;) {
            std::function<void()> fn;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
                if (jobs_.empty()) return;
                fn = std::move(jobs_.front());
                jobs_.pop_front();
            }
            fn();
        }
    }

    std::size_t queued_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> workers_;
    bool stopping_ = false;
};

// The connection as httplib reads and writes it, with the request's time and size counted.
class GuardedStream : public httplib::Stream {
public:
    GuardedStream(int sock, const GuardLimits& limits) : sock_(sock), limits_(limits) {}

    // A new request: its time and bytes start now. False when none comes in time.
    bool NextRequest() {
        deadline_ = Clock::now() + std::chrono::seconds(limits_.requestSeconds);
        given_ = 0;
        return have_ > at_ || Wait(POLLIN, Left());
    }
    bool is_readable() const override { return have_ > at_ || Wait(POLLIN, Left()); }
    bool is_writable() const override { return Wait(POLLOUT, limits_.writeSeconds * 1000); }
    ssize_t read(char* ptr, size_t size) override {
        if (given_ >= limits_.requestBytes) return -1;  // a head without end
        if (have_ == at_) {
            if (!Wait(POLLIN, Left())) return -1;  // its time is up
            const ssize_t n = ::recv(sock_, buffer_, sizeof buffer_, 0);
            if (n <= 0) return -1;
            have_ = static_cast<std::size_t>(n);
            at_ = 0;
        }
        std::size_t n = std::min({size, have_ - at_, limits_.requestBytes - given_});
        std::memcpy(ptr, buffer_ + at_, n);
        at_ += n;
        given_ += n;
        return static_cast<ssize_t>(n);
    }
    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable()) return -1;
        return ::send(sock_, ptr, size, MSG_NOSIGNAL);
    }
    void get_remote_ip_and_port(std::string& ip, int& port) const override { Address(true, ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { Address(false, ip, port); }
    socket_t socket() const override { return sock_; }

private:
    int Left() const {
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
        return ms > 0 ? static_cast<int>(ms) : 0;
    }
    bool Wait(short events, int ms) const {
        pollfd p{sock_, events, 0};
        int r = 0;
        do r = ::poll(&p, 1, ms);
        while (r < 0 && errno == EINTR);
        return r > 0 && (p.revents & events) != 0;
    }
    void Address(bool remote, std::string& ip, int& port) const {
        sockaddr_storage a{};
        socklen_t n = sizeof a;
        auto* sa = reinterpret_cast<sockaddr*>(&a);
        ip.clear();
        port = 0;
        if ((remote ? getpeername(sock_, sa, &n) : getsockname(sock_, sa, &n)) != 0) return;
        char text[INET6_ADDRSTRLEN] = "";
        if (a.ss_family == AF_INET) {
            const auto* v4 = reinterpret_cast<const sockaddr_in*>(&a);
            inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
            port = ntohs(v4->sin_port);
        } else if (a.ss_family == AF_INET6) {
            const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&a);
            inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
            port = ntohs(v6->sin6_port);
        }
        ip = text;
    }

    int sock_;
    const GuardLimits& limits_;
    Clock::time_point deadline_{};
    std::size_t given_ = 0;  // bytes of this request handed to httplib
    char buffer_[4096];
    std::size_t have_ = 0, at_ = 0;
};

}  // namespace

GuardedServer::GuardedServer(const GuardLimits& limits) : limits_(limits) {
    new_task_queue = [this] { return new BoundedPool(limits_.threads, limits_.queued); };
}

bool GuardedServer::process_and_close_socket(socket_t sock) {
    bool ok = false;
    if (tRefusing) {
        static constexpr char kBusy[] =
            "HTTP/1.1 503 Service Unavailable\r\nRetry-After: 2\r\nContent-Length: 0\r\nConnection: "
            "close\r\n\r\n";
        static_cast<void>(::send(sock, kBusy, sizeof kBusy - 1, MSG_DONTWAIT | MSG_NOSIGNAL));
    } else {
        GuardedStream stream(sock, limits_);
        bool closed = false;
        for (std::size_t left = keep_alive_max_count_; left > 0 && !closed; --left) {
            if (svr_sock_ == INVALID_SOCKET || !stream.NextRequest()) break;
            ok = process_request(stream, left == 1 || svr_sock_ == INVALID_SOCKET, closed, nullptr);
            if (!ok) break;
        }
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}

}  // namespace kvdboard
