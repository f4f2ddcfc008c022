#include "board_server.h"

#include <httplib.h>

#include <atomic>
#include <charconv>
#include <thread>

#include "board_guard.h"
#include "board_history.h"
#include "board_json.h"
#include "board_page.h"
#include "model/cut.h"

namespace kvdboard {

namespace {

using httplib::Request;
using httplib::Response;
using Handled = httplib::Server::HandlerResponse;

constexpr auto kEventWait = std::chrono::seconds(1);
constexpr int kSendBuffer = 64 * 1024;
constexpr int kKeepAliveWaits = 15;  // a comment line after this many quiet waits finds dead streams

std::string Dump(const nlohmann::json& j) {
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void Plain(Response& res, int status, const std::string& text) {
    res.status = status;
    res.set_content(text + "\n", "text/plain; charset=utf-8");
}

bool ParseInt(std::string_view text, int low, int high, int& out) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high) return false;
    out = v;
    return true;
}

// Compares without stopping at the first difference, so the time taken tells nothing of the token.
bool SameSecret(std::string_view given, std::string_view secret) {
    unsigned diff = given.size() == secret.size() ? 0 : 1;
    for (std::size_t i = 0; i < given.size() && !secret.empty(); ++i)
        diff |= static_cast<unsigned char>(given[i]) ^ static_cast<unsigned char>(secret[i % secret.size()]);
    return diff == 0 && !secret.empty();
}

// Counts a kind of request in flight; the count drops when the last copy goes.
struct Slot {
    std::atomic<std::size_t>& count;
    explicit Slot(std::atomic<std::size_t>& c) : count(c) {}
    ~Slot() { count.fetch_sub(1); }
};
std::shared_ptr<Slot> TakeSlot(std::atomic<std::size_t>& count, std::size_t max) {
    if (count.fetch_add(1) >= max) {
        count.fetch_sub(1);
        return nullptr;
    }
    return std::make_shared<Slot>(count);
}

}  // namespace

bool ParseListenAddress(std::string_view text, std::string& host, int& port, std::string& error) {
    std::size_t colon = std::string_view::npos;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            error = "an IPv6 address is written [ADDRESS]:PORT";
            return false;
        }
        host = std::string(text.substr(1, close - 1));
        colon = close + 1;
    } else {
        colon = text.rfind(':');
        if (colon == std::string_view::npos || text.find(':') != colon) {
            error = "the address to listen on is HOST:PORT";
            return false;
        }
        host = std::string(text.substr(0, colon));
    }
    if (host.empty()) {
        error = "the address to listen on names no host";
        return false;
    }
    if (!ParseInt(text.substr(colon + 1), 0, 65535, port)) {
        error = "the port is a number from 0 to 65535";
        return false;
    }
    return true;
}

struct BoardServer::Impl {
    BoardModel& model;
    ServerOptions options;
    GuardedServer server;
    std::thread thread;
    int port = 0;
    std::atomic<bool> stopping{false};
    std::atomic<std::size_t> eventClients{0}, historyRequests{0};

    Impl(BoardModel& m, ServerOptions o)
        : model(m),
          options(std::move(o)),
          server({std::max(options.threads, options.maxEventClients + 4), options.maxQueued,
                  options.requestSeconds, options.requestBytes, options.timeoutSeconds}) {}
    bool Authorised(const Request& req) const;
    void Routes();
    void Events(Response& res);
    void History(const Request& req, Response& res);
};

bool BoardServer::Impl::Authorised(const Request& req) const {
    if (options.token.empty()) return true;
    const std::string header = req.get_header_value("Authorization");
    constexpr std::string_view kBearer = "Bearer ";
    if (header.size() > kBearer.size() && header.compare(0, kBearer.size(), kBearer) == 0)
        return SameSecret(std::string_view(header).substr(kBearer.size()), options.token);
    return req.has_param("token") && SameSecret(req.get_param_value("token"), options.token);
}

void BoardServer::Impl::Routes() {
    server.set_pre_routing_handler([this](const Request& req, Response& res) {
        if (req.method != "GET" && req.method != "HEAD") {
            res.set_header("Allow", "GET, HEAD");
            Plain(res, 405, "the board is read-only");
            return Handled::Handled;
        }
        // The page and its script hold no data of the plant: the token guards the data alone.
        if (req.path.rfind("/api/", 0) == 0 && !Authorised(req)) {
            res.set_header("WWW-Authenticate", "Bearer");
            Plain(res, 401, "a token is needed");
            return Handled::Handled;
        }
        return Handled::Unhandled;
    });
    for (const PageFile& f : PageFiles()) {
        const std::string route = f.name == "index.html" ? "/" : "/" + std::string(f.name);
        server.Get(route, [f](const Request&, Response& res) {
            res.set_content(f.body.data(), f.body.size(), f.type.data());
        });
    }
    server.Get("/api/machines", [this](const Request&, Response& res) {
        res.set_content(Dump(MachinesJson(model.Snapshot(), model.Now(), model.Refused())),
                        "application/json");
    });
    server.Get(R"(/api/machines/([^/]+))", [this](const Request& req, Response& res) {
        MachineView v;
        if (!model.Find(req.matches[1].str(), v)) return Plain(res, 404, "no such machine");
        res.set_content(Dump(MachineJson(v)), "application/json");
    });
    server.Get(R"(/api/machines/([^/]+)/history)",
               [this](const Request& req, Response& res) { History(req, res); });
    server.Get("/api/events", [this](const Request&, Response& res) { Events(res); });
}

void BoardServer::Impl::History(const Request& req, Response& res) {
    const std::string name = req.matches[1].str();
    MachineView v;
    if (!ValidMachineName(name) || !model.Find(name, v)) return Plain(res, 404, "no such machine");
    if (options.journalRoot.empty() && options.database.empty())
        return Plain(res, 404, "this board keeps no journals");
    int days = kHistoryDaysDefault, cut = CutNumber(v.cut);
    if (req.has_param("days") && !ParseInt(req.get_param_value("days"), 1, kHistoryDaysMax, days))
        return Plain(res, 400, "days is a number from 1 to " + std::to_string(kHistoryDaysMax));
    if (req.has_param("cut") && !ParseInt(req.get_param_value("cut"), 1, kCutCount, cut))
        return Plain(res, 400, "cut is a number from 1 to 16");
    const auto slot = TakeSlot(historyRequests, options.maxHistoryRequests);
    if (!slot) {
        res.set_header("Retry-After", "2");
        return Plain(res, 503, "too many histories at once");
    }
    // A connection of the request's own: the collector's is its broker thread's alone.
    res.set_content(
        Dump(options.database.empty() ? MachineHistory(options.journalRoot, name, days, CutIndex(cut))
                                      : MachineHistoryFromDatabase(options.database, options.databasePassword,
                                                                   name, days, CutIndex(cut))),
        "application/json");
}

void BoardServer::Impl::Events(Response& res) {
    auto slot = TakeSlot(eventClients, options.maxEventClients);
    if (!slot) {
        res.set_header("Retry-After", "5");
        return Plain(res, 503, "too many event streams");
    }
    auto cursor = std::make_shared<EventCursor>();
    res.set_header("Cache-Control", "no-store");
    res.set_chunked_content_provider("text/event-stream", [this, slot, cursor, first = true, quiet = 0](
                                                              std::size_t, httplib::DataSink& sink) mutable {
        if (stopping) return false;
        std::string text;
        if (first)
            text = "retry: 2000\n\n";
        else
            model.WaitForChange(*cursor, kEventWait);
        first = false;
        if (stopping) return false;
        for (const MachineView& v : model.Changes(*cursor))
            text += "event: machine\ndata: " + Dump(MachineJson(v)) + "\n\n";
        if (text.empty() && ++quiet >= kKeepAliveWaits) text = ": quiet\n\n";
        if (text.empty()) return true;
        quiet = 0;
        return sink.write(text.data(), text.size());
    });
}

BoardServer::BoardServer(BoardModel& model, ServerOptions options)
    : impl_(std::make_unique<Impl>(model, std::move(options))) {}

BoardServer::~BoardServer() { Stop(); }

bool BoardServer::Start(std::string& error) {
    Impl& s = *impl_;
    const time_t t = s.options.timeoutSeconds;
    s.server.set_read_timeout(t).set_write_timeout(t).set_keep_alive_timeout(t).set_payload_max_length(1024);
    s.server.set_default_headers(
        {{"X-Content-Type-Options", "nosniff"},
         {"Referrer-Policy", "no-referrer"},
         {"Content-Security-Policy", "default-src 'self'; img-src 'self' blob:; frame-ancestors 'none'"}});
    // Sockets accepted from the listening one inherit its send buffer and time-out: a client that
    // reads nothing costs at most the buffer, and the send that finds it full gives up after the
    // time-out (a blocking send would wait for ever), which ends the stream and frees its place.
    s.server.set_socket_options([t](socket_t sock) {
        httplib::default_socket_options(sock);
        const timeval tv{t, 0};
        const int buffer = kSendBuffer;
        setsockopt(sock, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        setsockopt(sock, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
    });
    s.Routes();
    s.port = s.options.port == 0
                 ? s.server.bind_to_any_port(s.options.host)
                 : (s.server.bind_to_port(s.options.host, s.options.port) ? s.options.port : -1);
    if (s.port <= 0) {
        error = "cannot listen on " + s.options.host + ":" + std::to_string(s.options.port);
        return false;
    }
    s.thread = std::thread([&s] { s.server.listen_after_bind(); });
    return true;
}

int BoardServer::Port() const { return impl_->port; }

void BoardServer::Stop() {
    Impl& s = *impl_;
    if (!s.thread.joinable()) return;
    s.stopping = true;
    s.model.Wake();
    s.server.stop();
    s.thread.join();
}

}  // namespace kvdboard
