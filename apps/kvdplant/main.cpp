// kvdplant: the plant's collector. It subscribes to every monitor's cycles and states on the
// broker, writes each machine's journal under one folder (see plant_store.h), and tells each
// monitor what its journal there holds (<prefix>/<machine>/receipt).
//
//   kvdplant --folder DIR [--host 127.0.0.1] [--port 1883, 8883 with TLS] [--prefix kvd] [--id kvdplant]
//            [--user kvdplant --password-file FILE] [--cafile CA.crt | --tls on]
//            [--listen 127.0.0.1:8080 | --listen off] [--token-file FILE]
//            [--database CONNINFO [--database-password-file FILE]]
//
// With --database it stores into PostgreSQL as well (plant_database.h), or only there when no
// --folder is given.
//
// It signs in as --user with the first line of --password-file, over TLS with --cafile (the
// broker's certificate verified against that CA) or --tls on (the system's CAs). It serves the
// plant board on the --listen address (docs/board.md); with a token (--token-file, or the
// environment's KVDPLANT_TOKEN) the board's data need it. No secret is taken on the command line.
//
// It runs until SIGINT or SIGTERM, then prints what it stored and how long the cycles took from
// their end on the machine to their line here.
#include <fcntl.h>
#include <mosquitto.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "board_history.h"
#include "journal/journal_writer.h"
#include "latency_histogram.h"
#include "plant/plant_receipt.h"
#include "plant_board.h"
#include "plant_database.h"
#include "plant_store.h"
#include "sign_in.h"

namespace {

volatile std::sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }

struct Options {
    std::string folder, host = "127.0.0.1", prefix = "kvd", id = "kvdplant";
    std::string database, databasePasswordFile;
    int port = 0;  // 0: 1883, or 8883 with TLS
    bool board = true;
    kvdplant::SignIn signIn;
    kvdboard::ServerOptions boardServer;
};

struct Collector {
    Options options;
    kvdplant::PlantStore store;
    kvdplant::LatencyHistogram latency;  // cycle end on the machine -> line stored here
    uint64_t malformed = 0;
    std::set<std::string> unsynced;  // files and folders written since the last flush to the disk
    kvdboard::BoardModel board{};
    std::unique_ptr<kvdplant::PlantDatabase> database{};
    std::vector<int64_t> pendingEnds{};      // the cycle ends (unix ms) of the moment's rows
    kvdplant::LatencyHistogram committed{};  // cycle end on the machine -> its row committed
    std::string databaseProblem{};           // the last failure told, "" while the database takes the rows
    std::string lastLogError{};  // what libmosquitto last logged as an error (a TLS failure's reason)
    std::string lastProblem{};   // the connection problem last told, so a retry does not repeat it
};

// A connection problem, told once until it changes or a connection succeeds.
void Tell(Collector& c, const std::string& problem) {
    if (problem == c.lastProblem) return;
    c.lastProblem = problem;
    std::fprintf(stderr, "kvdplant: %s:%d: %s\n", c.options.host.c_str(), c.options.port, problem.c_str());
}

void OnLog(mosquitto*, void* data, int level, const char* text) {
    if (level == MOSQ_LOG_ERR) static_cast<Collector*>(data)->lastLogError = text;
}

int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

uint64_t Waiting(Collector& c) {
    uint64_t n = 0;
    kvdplant::MachineView v;
    for (const std::string& name : c.store.Machines())
        if (c.store.View(name, v)) n += v.waiting;
    return n;
}

void OnConnect(mosquitto* m, void* data, int rc, int flags) {
    auto* c = static_cast<Collector*>(data);
    if (rc != 0) {
        Tell(*c, kvdplant::ConnectProblem(rc, true, c->options.signIn, ""));
        return;
    }
    c->lastProblem.clear();
    c->lastLogError.clear();
    // A new session is worth a word: what the broker queued for an earlier one is not coming.
    const bool sessionPresent = (flags & 1) != 0;
    for (const char* leaf : {"cycle", "state"}) {
        const std::string topic = c->options.prefix + "/+/" + leaf;
        mosquitto_subscribe(m, nullptr, topic.c_str(), 1);
    }
    std::fprintf(stderr, "kvdplant: connected to %s:%d, collecting %s/+/cycle into %s%s%s%s\n",
                 c->options.host.c_str(), c->options.port, c->options.prefix.c_str(),
                 c->options.folder.c_str(), c->options.folder.empty() || !c->database ? "" : " and ",
                 c->database ? "the database" : "", sessionPresent ? "" : " (a new session)");
}

// What a stored cycle wrote: its day file, the machine's sequence file and their folders.
void Written(Collector& c, const std::string& machine, const kvdplant::MachineView& v) {
    if (v.recent.empty() || c.options.folder.empty()) return;
    const std::string base = c.options.folder + "/" + machine;
    char day[kJournalPathMax];
    if (JournalDayFile((base + "/journal.csv").c_str(), v.recent.back().record.time, day, sizeof day))
        c.unsynced.insert(day);
    for (const std::string& path : {base + "/sequence", base + "/journal", base, c.options.folder})
        c.unsynced.insert(path);
}

// The receipts due go to each machine's receipt topic (QoS 1, not retained), one per machine and
// outbox for a whole moment: queued behind the moment's PUBACKs, they leave with them, after the
// lines were written (and the moment committed).
void SendReceipts(mosquitto* m, Collector& c) {
    for (const kvdplant::Receipt& r : c.store.Receipts()) {
        char payload[kReceiptMessageMax];
        const std::size_t n = FormatReceiptMessage(r.outbox.c_str(), r.sequence, payload, sizeof payload);
        const std::string topic = c.options.prefix + "/" + r.machine + "/receipt";
        const int e = mosquitto_publish(m, nullptr, topic.c_str(), static_cast<int>(n), payload, 1, false);
        if (e != MOSQ_ERR_SUCCESS && e != MOSQ_ERR_NO_CONN)  // without a connection the monitor sends again
            std::fprintf(stderr, "kvdplant: the receipt for %s cannot be sent: %s\n", r.machine.c_str(),
                         mosquitto_strerror(e));
    }
}

// The database takes every cycle the store read, a repeat of the journal's too (the database may
// not have it), and every state; it writes them when the moment's messages are read (Turn).
void ToDatabase(Collector& c, const std::string& topic, std::string_view payload, kvdplant::Outcome o,
                int64_t nowMs) {
    std::string machine, leaf, problem;
    if (!kvdplant::SplitTopic(topic, c.options.prefix, machine, leaf)) return;
    kvdplant::CycleMessage cycle;
    kvdplant::MachineView v;
    if ((o == kvdplant::Outcome::kStored || o == kvdplant::Outcome::kRepeat ||
         o == kvdplant::Outcome::kWriteFailed) &&
        kvdplant::ReadCycleMessage(payload, machine, cycle, &problem)) {
        c.database->AddCycle(machine, cycle);
        c.pendingEnds.push_back(cycle.record.time.unixMs);
    } else if (o == kvdplant::Outcome::kState && c.store.View(machine, v))
        c.database->AddState(v, nowMs);
}

void OnMessage(mosquitto*, void* data, const mosquitto_message* msg) {
    auto* c = static_cast<Collector*>(data);
    const std::string_view payload(static_cast<const char*>(msg->payload),
                                   static_cast<std::size_t>(msg->payloadlen));
    std::string problem;
    const int64_t now = NowUs();
    const kvdplant::Outcome o = c->store.Take(msg->topic, payload, now / 1000, &problem);
    kvdplant::TellBoard(c->board, c->store, msg->topic, c->options.prefix, o);
    if (c->database) ToDatabase(*c, msg->topic, payload, o, now / 1000);
    if (o == kvdplant::Outcome::kStored) {
        // The message carries the cycle's end to the millisecond; the lag is measured against it.
        const std::string machine = std::string(msg->topic).substr(c->options.prefix.size() + 1);
        kvdplant::MachineView v;
        if (c->store.View(machine.substr(0, machine.find('/')), v) && !v.recent.empty())
            c->latency.Add(now - v.recent.back().record.time.unixMs * 1000);
        Written(*c, machine.substr(0, machine.find('/')), v);
    }
    if (o == kvdplant::Outcome::kMalformed) {
        ++c->malformed;
        std::fprintf(stderr, "kvdplant: %s: %s\n", msg->topic, problem.c_str());
    } else if (o == kvdplant::Outcome::kWriteFailed) {
        if (!problem.empty()) std::fprintf(stderr, "kvdplant: %s\n", problem.c_str());
    } else if (!problem.empty() && o != kvdplant::Outcome::kIgnored) {
        std::fprintf(stderr, "kvdplant: %s: %s\n", msg->topic, problem.c_str());
    }
}

// Lines that wait for a machine's folder go out about once a second, whether or not that machine
// sends; at the stop, as long as any still go.
void WriteWaiting(Collector& c, bool stopping) {
    static auto last = std::chrono::steady_clock::now();
    const auto now = std::chrono::steady_clock::now();
    if (!stopping && now - last < std::chrono::seconds(1)) return;
    last = now;
    std::vector<std::string> reports;
    for (uint64_t before = ~0ULL, waiting = Waiting(c); waiting > 0 && waiting < before;
         before = waiting, waiting = Waiting(c)) {
        c.store.WriteWaiting(&reports);
        kvdplant::MachineView v;
        for (const std::string& name : c.store.Machines())  // what went out joins the next flush
            if (c.store.View(name, v)) Written(c, name, v);
        if (!stopping) break;
    }
    for (const std::string& r : reports) std::fprintf(stderr, "kvdplant: %s\n", r.c_str());
}

// Commits the moment's rows. While the database does not take them it says why (once per cause)
// and waits a second: nothing more is read or acknowledged meanwhile.
bool Committed(Collector& c) {
    if (!c.database || c.database->Pending() == 0) return true;
    std::string problem;
    if (c.database->Commit(&problem)) {
        const int64_t now = NowUs();
        for (const int64_t end : c.pendingEnds) c.committed.Add(now - end * 1000);
        c.pendingEnds.clear();
        if (!c.databaseProblem.empty())
            std::fprintf(stderr, "kvdplant: the database takes the cycles again\n");
        c.databaseProblem.clear();
        return true;
    }
    if (problem != c.databaseProblem)
        std::fprintf(
            stderr,
            "kvdplant: the database does not take the cycles (%s); %zu messages wait unacknowledged and "
            "the broker keeps what follows; trying again every second\n",
            problem.c_str(), c.database->Pending());
    c.databaseProblem = problem;
    for (int i = 0; i < 10 && !gStop; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return false;
}

// One turn of the broker's connection. The messages that arrived together are read as one
// moment, and their rows committed before the acknowledgements libmosquitto queued while reading
// them are written: a kill at any moment loses nothing the broker let go. While a moment is not
// committed nothing is read or written; a connection lost meanwhile makes the broker send it again.
bool Turn(mosquitto* m, Collector& c) {
    constexpr int kMomentMax = 1000;
    if (!Committed(c)) return true;
    const int fd = mosquitto_socket(m);
    if (fd < 0) return false;
    pollfd p{fd, static_cast<short>(POLLIN | (mosquitto_want_write(m) ? POLLOUT : 0)), 0};
    if (poll(&p, 1, 100) < 0 && errno != EINTR) return false;
    if ((p.revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
        for (int i = 0; i < kMomentMax; ++i) {
            if (mosquitto_loop_read(m, 1) != MOSQ_ERR_SUCCESS) {
                Committed(c);
                return false;
            }
            pollfd more{fd, POLLIN, 0};
            if (poll(&more, 1, 0) <= 0) break;
        }
        SendReceipts(m, c);
    }
    if (!Committed(c)) return true;
    if (mosquitto_want_write(m) && mosquitto_loop_write(m, 1) != MOSQ_ERR_SUCCESS) return false;
    return mosquitto_loop_misc(m) == MOSQ_ERR_SUCCESS;
}

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        std::string error;
        bool board = false;
        if (!kvdplant::TakeSignInOption(key, value, o.signIn, board, error)) {
            std::fprintf(stderr, "kvdplant: %s\n", error.c_str());
            return false;
        }
        if (board) continue;
        if (!kvdplant::TakeBoardOption(key, value, o.boardServer, o.board, board, error)) {
            std::fprintf(stderr, "kvdplant: %s\n", error.c_str());
            return false;
        }
        if (board) continue;
        if (key == "--folder")
            o.folder = value;
        else if (key == "--host")
            o.host = value;
        else if (key == "--port")
            o.port = std::atoi(value.c_str());
        else if (key == "--prefix")
            o.prefix = value;
        else if (key == "--id")
            o.id = value;
        else if (key == "--database")
            o.database = value;
        else if (key == "--database-password-file")
            o.databasePasswordFile = value;
        else
            return false;
    }
    if (o.port == 0) o.port = o.signIn.tls ? 8883 : 1883;
    return argc % 2 == 1 && (!o.folder.empty() || !o.database.empty()) && o.port > 0 && o.port < 65536 &&
           (o.databasePasswordFile.empty() || !o.database.empty());
}

void Summary(Collector& c) {
    uint64_t stored = 0, repeats = 0, gaps = 0;
    for (const std::string& name : c.store.Machines()) {
        kvdplant::MachineView v;
        if (!c.store.View(name, v)) continue;
        if (v.waiting > 0 || v.lost > 0)
            std::printf("kvdplant: %s: %u journal lines not written (%u waiting, %u lost)\n", name.c_str(),
                        v.waiting + v.lost, v.waiting, v.lost);
        stored += v.stored;
        repeats += v.repeats;
        gaps += v.gaps;
    }
    const auto at = [&](double q) { return c.latency.QuantileMs(q); };
    std::printf(
        "kvdplant: machines %zu stored %llu repeats %llu gaps %llu malformed %llu latency_ms median %.1f p99 "
        "%.1f\n",
        c.store.Machines().size(), static_cast<unsigned long long>(stored),
        static_cast<unsigned long long>(repeats), static_cast<unsigned long long>(gaps),
        static_cast<unsigned long long>(c.malformed), at(0.5), at(0.99));
    if (c.database)
        std::printf(
            "kvdplant: database rows %llu present %llu uncommitted %zu latency_ms median %.1f p99 %.1f%s\n",
            static_cast<unsigned long long>(c.database->inserted()),
            static_cast<unsigned long long>(c.database->present()), c.database->Pending(),
            c.committed.QuantileMs(0.5), c.committed.QuantileMs(0.99),
            c.database->Pending() > 0 ? " (unacknowledged: the broker sends them again)" : "");
}

// The database, with its password from its file (never the command line); false when it cannot be
// had at all. A database that is down now is tried again with the first cycles. The password is
// also the board's, whose history reads the database on connections of its own.
bool OpenDatabase(Collector& c, std::string& password) {
    const Options& o = c.options;
    std::string problem;
    if (!kvdplant::CheckConnectionString(o.database, &problem)) {
        std::fprintf(stderr, "kvdplant: %s\n", problem.c_str());
        return false;
    }
    if (!o.databasePasswordFile.empty()) {
        std::ifstream in(o.databasePasswordFile);
        if (!std::getline(in, password) || password.empty()) {
            std::fprintf(stderr, "kvdplant: --database-password-file %s: no password can be read from it\n",
                         o.databasePasswordFile.c_str());
            return false;
        }
        if (password.back() == '\r') password.pop_back();
    }
    c.database = std::make_unique<kvdplant::PlantDatabase>(o.database, password, o.id);
    if (c.database->Open(&problem))
        std::fprintf(stderr, "kvdplant: the database is open (schema version %d)\n",
                     kvdplant::kSchemaVersion);
    else {
        std::fprintf(stderr,
                     "kvdplant: the database cannot be opened now (%s); trying again with the first cycles\n",
                     problem.c_str());
        c.databaseProblem = problem;  // the first commit that succeeds says the database is back
    }
    return true;
}

// The journals and sequence files reach the disk in groups: at most once a second, when cycles
// were stored. A power loss of the collector loses at most the cycles of the last second (and the
// time the flush takes); a flush per cycle would cost the disk more than the plant's rate allows.
void FlushGroup(Collector& c, std::chrono::steady_clock::time_point& last, bool now) {
    const auto t = std::chrono::steady_clock::now();
    if (c.unsynced.empty() || (!now && t - last < std::chrono::seconds(1))) return;
    std::vector<std::string> problems;
    c.store.SaveSequences(&problems);
    for (const std::string& p : problems) std::fprintf(stderr, "kvdplant: %s\n", p.c_str());
    for (const std::string& path : c.unsynced) {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || fsync(fd) != 0)
            std::fprintf(stderr, "kvdplant: %s cannot be flushed to the disk: %s\n", path.c_str(),
                         std::strerror(errno));
        if (fd >= 0) close(fd);
    }
    c.unsynced.clear();
    last = t;
}

// The board's tiles start from the newest days of the store its history reads; collecting is
// kvdplant's first duty, so a board that cannot listen is told, not fatal.
void StartBoard(Collector& c, const Options& o, kvdboard::BoardServer& board) {
    std::string error;
    if (!o.database.empty()) {
        if (kvdboard::SeedFromDatabase(c.board, o.database, o.boardServer.databasePassword, error) == 0 &&
            !error.empty())
            std::fprintf(stderr, "kvdplant: the board starts without the machines' last cycles: %s\n",
                         error.c_str());
    } else if (!o.folder.empty())
        kvdboard::SeedFromJournals(c.board, o.folder);
    if (board.Start(error))
        std::fprintf(stderr, "kvdplant: the board is on http://%s:%d/\n", o.boardServer.host.c_str(),
                     board.Port());
    else
        std::fprintf(stderr, "kvdplant: no board: %s; collecting all the same\n", error.c_str());
}

// kvdplant's MQTT client, signed in and with its callbacks; null (told) when it cannot be made.
mosquitto* MakeClient(Collector& c, const Options& o) {
    // A lasting session: the broker keeps what arrives for kvdplant while it is away.
    mosquitto* m = mosquitto_new(o.id.c_str(), false, &c);
    if (m == nullptr) {
        std::fprintf(stderr, "kvdplant: cannot make an MQTT client\n");
        return nullptr;
    }
    // Packets are queued and written by mosquitto_loop after the callbacks of what it read: the
    // PUBACK of a cycle leaves only once its line is written, so a kill never loses an
    // acknowledged cycle (left to itself libmosquitto acknowledges before the callback).
    mosquitto_threaded_set(m, true);
    std::string problem;
    if (!kvdplant::ApplySignIn(m, o.signIn, problem)) {
        std::fprintf(stderr, "kvdplant: %s\n", problem.c_str());
        mosquitto_destroy(m);
        return nullptr;
    }
    mosquitto_log_callback_set(m, OnLog);
    mosquitto_connect_with_flags_callback_set(m, OnConnect);
    mosquitto_message_callback_set(m, OnMessage);
    mosquitto_reconnect_delay_set(m, 1, 30, true);
    // Receipts in flight at once: a monitor catching up gets one per moment.
    mosquitto_max_inflight_messages_set(m, 1000);
    return m;
}

// Collects until a signal; the journal's lines written in groups meanwhile.
void Collect(mosquitto* m, Collector& c, const Options& o, std::chrono::steady_clock::time_point& flushed) {
    // A connection that fails (no broker, an untrusted certificate) is told once and tried again.
    const auto connect = [&](int rc) {
        if (rc != MOSQ_ERR_SUCCESS) Tell(c, kvdplant::ConnectProblem(rc, false, o.signIn, c.lastLogError));
        return rc == MOSQ_ERR_SUCCESS;
    };
    bool connected = connect(mosquitto_connect(m, o.host.c_str(), o.port, 30));
    while (!gStop) {
        FlushGroup(c, flushed, false);
        if (!connected) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            connected = connect(mosquitto_reconnect(m));
            continue;
        }
        if (!Turn(m, c)) {
            connected = false;
            // A TLS handshake may end here rather than in the connect; a connection that was up
            // and is lost is told once (a refused sign-in was told already).
            if (c.lastLogError.find("SSL") != std::string::npos)
                connect(MOSQ_ERR_TLS);
            else if (c.lastProblem.empty())
                connect(MOSQ_ERR_CONN_LOST);
        }
        WriteWaiting(c, false);
        SendReceipts(m, c);  // of lines that waited for their folder
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: kvdplant --folder DIR [--host H] [--port P] [--prefix kvd] [--id kvdplant]\n"
                     "                [--user NAME --password-file FILE] [--cafile CA.crt | --tls on]\n"
                     "                [--listen HOST:PORT | --listen off] [--token-file FILE]\n"
                     "                [--database CONNINFO [--database-password-file FILE]]\n"
                     "(--folder, --database or both)\n");
        return 2;
    }
    std::string problem;
    if (!kvdplant::ReadSecrets(o.signIn, o.boardServer.token, problem)) {
        std::fprintf(stderr, "kvdplant: %s\n", problem.c_str());
        return 2;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    Collector c{o, kvdplant::PlantStore(o.folder, o.prefix), {}, 0, {}};
    if (!o.database.empty() && !OpenDatabase(c, o.boardServer.databasePassword)) return 2;
    o.boardServer.journalRoot = o.folder;
    o.boardServer.database = o.database;
    kvdboard::BoardServer board(c.board, o.boardServer);
    if (o.board) StartBoard(c, o, board);
    mosquitto_lib_init();
    mosquitto* m = MakeClient(c, o);
    if (m == nullptr) {
        mosquitto_lib_cleanup();
        return 2;
    }
    auto flushed = std::chrono::steady_clock::now();
    Collect(m, c, o, flushed);
    WriteWaiting(c, true);
    // A moment not committed leaves unacknowledged: its acknowledgements and receipts go nowhere.
    if (!c.database || c.database->Pending() == 0) {
        SendReceipts(m, c);
        for (int i = 0; i < 10 && mosquitto_want_write(m); ++i)
            if (mosquitto_loop_write(m, 1) != MOSQ_ERR_SUCCESS) break;  // the last receipts out
        mosquitto_disconnect(m);
    }
    FlushGroup(c, flushed, true);
    mosquitto_destroy(m);
    mosquitto_lib_cleanup();
    board.Stop();
    Summary(c);
    return 0;
}
