// Two collectors, one database: the real mosquitto, a real PostgreSQL 15 of the test's own, and
// two kvdplant processes, each its own broker session, storing three machines' cycles into the
// same tables (one beside its journals, one into the database only). One of them is killed with
// -9 at random moments and started again, and the database is stopped for a while: afterwards
// `cycles` holds every published cycle exactly once, as the messages said it, and what kvdstat and
// the board say of the database is what they say of the journals.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "apps/kvdplant/board/board_history.h"
#include "apps/kvdplant/board/board_json.h"
#include "apps/kvdplant/board/board_model.h"
#include "broker.h"
#include "collector.h"
#include "database.h"
#include "model/cut.h"
#include "plant/plant_messages.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
constexpr int64_t kMorningMs = 1796724000000LL;  // 2026-12-08T10:00:00Z
const char* const kMachines[] = {"mill-1", "lathe-2", "mill-3"};
// Per machine, fewer than 200 a cut (the forecast's view holds them all); a sanitizer's kvdplant is
// some ten times slower, so there fewer.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr int kCycles = 400;
#else
constexpr int kCycles = 1000;
#endif

JournalRecord Cycle(int i, int machine) {
    JournalRecord r{};
    r.time = {kMorningMs + int64_t{i} * 1000 + machine, machine * 60};
    r.cut = (i + machine) % 16;
    r.peak = static_cast<uint8_t>(i % 90);
    r.work = static_cast<uint8_t>(i % 7);
    r.alarms = i % 50 == 0 ? kJournalBlunt : 0;
    r.bluntCounter = i % 5;
    r.breakLimit = 95;
    r.bluntLimit = 30;
    r.bluntMode = static_cast<uint16_t>(machine % 2);
    return r;
}

// A row of `cycles` as the test reads it back: the machine, the outbox, the number, the moment
// (UTC milliseconds and the offset) and every value.
constexpr const char* kRowQuery =
    "SELECT machine, outbox, seq, (extract(epoch FROM \"time\") * 1000)::bigint, utc_offset, cut, peak, "
    "work, "
    "po, break, blunt, missing, err1, blunt_counter, missing_counter, break_limit, blunt_limit, "
    "missing_limit, "
    "blunt_mode FROM cycles ORDER BY machine, seq";

std::string RowOf(const JournalRecord& r, const char* machine, uint64_t seq) {
    const auto n = [](int64_t v) { return std::to_string(v) + ","; };
    return std::string(machine) + ",00c0ffee00c0ffee," + n(int64_t(seq)) + n(r.time.unixMs) +
           n(r.time.offsetMinutes) + n(r.cut + 1) + n(r.peak) + n(r.work) + n(r.po) +
           n((r.alarms & kJournalBreak) != 0) + n((r.alarms & kJournalBlunt) != 0) +
           n((r.alarms & kJournalMissing) != 0) + n((r.alarms & kJournalErr1) != 0) + n(r.bluntCounter) +
           n(r.missingCounter) + n(r.breakLimit) + n(r.bluntLimit) + n(r.missingLimit) +
           (r.bluntMode == 0 ? "power" : "work");
}

// The monitors' side: cycle messages at QoS 1, counted as the broker acknowledges them.
class Monitors {
public:
    explicit Monitors(uint16_t port) {
        mosquitto_lib_init();
        m_ = mosquitto_new("monitors", true, this);
        mosquitto_username_pw_set(m_, "monitors",
                                  TestPassword("monitors").c_str());  // writes for every machine
        mosquitto_publish_callback_set(
            m_, [](mosquitto*, void* self, int) { ++static_cast<Monitors*>(self)->acked_; });
        mosquitto_max_inflight_messages_set(m_, 100);
        connected_ = mosquitto_connect(m_, "127.0.0.1", port, 30) == MOSQ_ERR_SUCCESS;
        mosquitto_loop_start(m_);
    }
    ~Monitors() {
        mosquitto_disconnect(m_);
        mosquitto_loop_stop(m_, false);
        mosquitto_destroy(m_);
        mosquitto_lib_cleanup();
    }
    bool connected() const { return connected_; }
    bool Cycle(int i, int machine) {
        char text[kCycleMessageMax];
        const std::size_t n = FormatCycleMessage(::Cycle(i, machine), kMachines[machine], "00c0ffee00c0ffee",
                                                 uint64_t{5000} + i, text, sizeof text);
        return Publish(std::string("kvd/") + kMachines[machine] + "/cycle", std::string(text, n), false);
    }
    bool Publish(const std::string& topic, const std::string& payload, bool retain) {
        return mosquitto_publish(m_, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(),
                                 1, retain) == MOSQ_ERR_SUCCESS;
    }
    bool WaitAcked(int n) {
        return WaitFor(60, [&] { return acked_.load() >= n; });
    }

private:
    mosquitto* m_ = nullptr;
    std::atomic<int> acked_{0};
    bool connected_ = false;
};

// What a command prints on its standard output.
std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
        pclose(p);
    }
    return out;
}

// The whole of a file ("" when there is none).
std::string Bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The body of a GET on 127.0.0.1:port ("" when none came); HTTP/1.0, so the answer ends with the
// connection.
std::string HttpGet(int port, const std::string& target) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    const std::string request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    if (s >= 0 && connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        send(s, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size()))
        for (char buffer[4096]; const ssize_t n = recv(s, buffer, sizeof buffer, 0);) {
            if (n < 0) break;
            reply.append(buffer, static_cast<std::size_t>(n));
        }
    if (s >= 0) close(s);
    const std::size_t body = reply.find("\r\n\r\n");
    return reply.rfind("HTTP/1.1 200", 0) == 0 && body != std::string::npos ? reply.substr(body + 4) : "";
}

// The board's port a collector's log told last.
int BoardPort(const std::string& log) {
    const std::string said = "the board is on http://127.0.0.1:";
    const std::size_t at = log.rfind(said);
    return at == std::string::npos ? 0 : std::atoi(log.c_str() + at + said.size());
}

int Count(Database& db, const std::string& sql) {
    const std::vector<std::string> rows = db.Rows(sql);
    return rows.size() == 1 && rows[0].rfind("ERROR", 0) != 0 ? std::atoi(rows[0].c_str()) : -1;
}

TEST(PlantDatabase, TwoCollectorsOneKilledAtRandomMomentsStoreEveryCycleOnce) {
    TempWorkDir dir;
    Broker broker(dir.path());
    Database db(dir.path() / "postgres");
    ASSERT_TRUE(broker.Start());
    ASSERT_TRUE(db.Start()) << "PostgreSQL 15 did not start (see " << dir.path() << "/postgres/postgres.log)";
    const std::string database =
        "--database '" + db.conninfo() + "' --database-password-file " + db.passwordFile();
    Collector journals(dir.path() / "plant", broker.port(), "--id kvdplant-a --listen off " + database);
    // The database-only collector serves the board: its history comes from the database.
    Collector only(dir.path() / "only", broker.port(), "--id kvdplant-b --listen 127.0.0.1:0 " + database,
                   false);
    ASSERT_TRUE(journals.Start());
    ASSERT_TRUE(only.Start());
    ASSERT_TRUE(journals.WaitConnected()) << journals.Log();
    ASSERT_TRUE(only.WaitConnected()) << only.Log();
    Monitors monitors(broker.port());
    ASSERT_TRUE(monitors.connected());

    // The monitors publish while the database-only collector is killed five times, and while the
    // database itself is away for a second.
    std::atomic<int> published{0};
    std::thread publisher([&] {
        for (int i = 0; i < kCycles; ++i) {
            for (int machine = 0; machine < 3; ++machine)
                if (monitors.Cycle(i, machine)) ++published;
            if (i % 10 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    std::mt19937 random(std::random_device{}());
    std::vector<int> atKill;
    for (int k = 0; k < 5; ++k) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100 + random() % 400));
        only.Stop(SIGKILL);
        atKill.push_back(Count(db, "SELECT count(*) FROM cycles"));
        ASSERT_TRUE(only.Start());
    }
    // The states arrive while the database is away, so both collectors hold rows it must take
    // when it is back, whether the database-only one was running or starting at that moment.
    db.Stop();
    publisher.join();
    ASSERT_EQ(published.load(), 3 * kCycles);
    ASSERT_TRUE(monitors.WaitAcked(3 * kCycles));
    for (int machine = 0; machine < 3; ++machine)
        monitors.Publish(
            std::string("kvd/") + kMachines[machine] + "/state",
            std::string("{\"machine\":\"") + kMachines[machine] +
                "\",\"online\":true,\"unit\":true,\"cut\":4,\"break\":false,\"blunt\":true,\"missing\":"
                "false}",
            true);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ASSERT_TRUE(db.Start());
    const auto journalLines = [&](int machine) {
        std::ifstream journal(dir.path() / "plant" / kMachines[machine] / "journal" / "2026-12-08.csv");
        return std::count(std::istreambuf_iterator<char>(journal), std::istreambuf_iterator<char>(), '\n');
    };
    WaitFor(30, [&] {
        return Count(db, "SELECT count(*) FROM cycles") >= 3 * kCycles &&
               Count(db, "SELECT count(*) FROM machine_state WHERE online AND cut = 4") == 3 &&
               journalLines(0) + journalLines(1) + journalLines(2) >= 3 * (kCycles + 1) &&
               only.Log().find("the database takes the cycles again") != std::string::npos;
    });

    std::vector<std::string> expected;
    for (int machine : {1, 0, 2})  // by name: lathe-2, mill-1, mill-3
        for (int i = 0; i < kCycles; ++i)
            expected.push_back(RowOf(Cycle(i, machine), kMachines[machine], 5000 + i));
    const std::vector<std::string> rows = db.Rows(kRowQuery);
    EXPECT_LT(atKill.front(), 3 * kCycles) << "the kills came after the cycles: they showed nothing";
    EXPECT_EQ(rows.size(), expected.size());
    EXPECT_TRUE(rows == expected) << "cycles lost, repeated or changed";
    // The journals beside the database hold the same cycles; the states and the views agree.
    EXPECT_EQ(Count(db, "SELECT sum(cycles) FROM cycles_per_hour"), 3 * kCycles);
    EXPECT_EQ(Count(db, "SELECT sum(blunt_alarms) FROM cycles_per_shift"), 3 * (kCycles / 50));
    EXPECT_EQ(Count(db, "SELECT count(*) FROM forecast_inputs"), 3 * kCycles);
    EXPECT_EQ(
        db.Rows(
            "SELECT machine, last_cycle = max_time FROM machine_state JOIN (SELECT machine, max(\"time\") "
            "AS max_time FROM cycles GROUP BY 1) m USING (machine) ORDER BY 1"),
        (std::vector<std::string>{"lathe-2,t", "mill-1,t", "mill-3,t"}));
    EXPECT_NE(only.Log().find("the database takes the cycles again"), std::string::npos) << only.Log();
    for (int machine = 0; machine < 3; ++machine)
        EXPECT_EQ(journalLines(machine), kCycles + 1) << journals.Log();
    EXPECT_FALSE(fs::exists(dir.path() / "only"));

    // kvdstat answers every command from the database as from the journals: the plant (each
    // machine, then all), then each machine alone, whose journal folder names its source by its day
    // file where the database names the machine. A plot is the same file.
    const std::string plant = (dir.path() / "plant").string() + "/", chart = (dir.path() / "chart").string();
    const std::string fromDatabase = "PGPASSWORD=" + Database::password() + " " KVDSTAT_PATH " ",
                      inDatabase = " --database '" + db.conninfo() + "'";
    struct Target {
        std::string journals, database, journalName, machine;
    };
    std::vector<Target> targets = {
        {plant + "lathe-2/journal " + plant + "mill-1/journal " + plant + "mill-3/journal", inDatabase, "",
         ""}};
    for (const std::string m : kMachines)
        targets.push_back({plant + m + "/journal", inDatabase + " --machine " + m,
                           plant + m + "/journal/2026-12-08.csv", m});
    const std::string commands[] = {
        "summary",
        "summary --cut 3 --from 2026-12-08T10:05Z --to 2026-12-08T10:10Z",
        "whatif --break 45 --blunt 20 --list 3",
        "whatif --cut 2 --missing 10 --mode work",
        "trend --window 50 --points 4",
        "suggest --cut 5",
        "export --format json --cut 7",
        "export",
        "plot --cut 2 --out " + chart + ".png",
        "plot --cut 9 --break 60 --out " + chart + ".svg",
    };
    for (const Target& t : targets)
        for (const std::string& command : commands) {
            const bool plot = command.rfind("plot", 0) == 0;
            if (plot && t.machine.empty()) continue;  // a plot is of one machine
            const std::string file = plot ? command.substr(command.rfind(' ') + 1) : "";
            std::string fromJournals = Output(KVDSTAT_PATH " " + command + " " + t.journals + " 2>&1");
            const std::string drawn = plot ? Bytes(file) : "";
            if (plot) fs::remove(file);
            // An answer, not a refusal: a picture, or text that is no message of kvdstat's.
            EXPECT_TRUE(plot ? drawn.size() > 300
                             : fromJournals.size() > 150 && fromJournals.rfind("kvdstat:", 0) != 0)
                << command << " " << t.journals << fromJournals;
            for (std::size_t at;
                 !t.machine.empty() && (at = fromJournals.find(t.journalName)) != std::string::npos;)
                fromJournals.replace(at, t.journalName.size(), t.machine);
            EXPECT_EQ(Output(fromDatabase + command + t.database + " 2>&1"), fromJournals)
                << command << t.database;
            EXPECT_TRUE(!plot || Bytes(file) == drawn) << command << t.database << ": another picture";
        }
    EXPECT_NE(Output(KVDSTAT_PATH " summary " + targets[0].journals).find("the plant (3 machines)"),
              std::string::npos);

    // The board's history over HTTP, read from the database, is what the board of the journals says.
    struct History {
        int machine, cut, days;
    };
    for (const History h : {History{0, 1, 7}, History{1, 16, 1}, History{2, 5, 31}}) {
        const nlohmann::json fromJournals =
            kvdboard::MachineHistory(plant, kMachines[h.machine], h.days, CutIndex(h.cut));
        const std::string target = std::string("/api/machines/") + kMachines[h.machine] +
                                   "/history?cut=" + std::to_string(h.cut) +
                                   "&days=" + std::to_string(h.days);
        std::string body;
        WaitFor(20, [&] { return !(body = HttpGet(BoardPort(only.Log()), target)).empty(); });
        EXPECT_EQ(nlohmann::json::parse(body, nullptr, false), fromJournals) << target << "\n" << only.Log();
        EXPECT_EQ(fromJournals.value("files", nlohmann::json()).size(), 1u) << fromJournals;
    }
    // A board started on the database alone shows the machines' last cycles as one started on
    // their journals does.
    kvdboard::BoardModel seededByJournals, seededByDatabase;
    std::string problem;
    EXPECT_EQ(kvdboard::SeedFromJournals(seededByJournals, plant), 3u);
    EXPECT_EQ(kvdboard::SeedFromDatabase(seededByDatabase, db.conninfo(), Database::password(), problem), 3u)
        << problem;
    EXPECT_EQ(kvdboard::MachinesJson(seededByDatabase.Snapshot(), 0, 0),
              kvdboard::MachinesJson(seededByJournals.Snapshot(), 0, 0));
    // Under a sanitizer the collectors' own reports (the board's readers beside the broker thread).
    for (const Collector* c : {&journals, &only})
        EXPECT_EQ(c->Log().find("Sanitizer"), std::string::npos) << c->Log();
}

}  // namespace
