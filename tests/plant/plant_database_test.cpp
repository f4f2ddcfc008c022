// Two collectors, one database: the real mosquitto, a real PostgreSQL 15 of the test's own, and
// two kvdplant processes, each its own broker session, storing three machines' cycles into the
// same tables (one beside its journals, one into the database only). One of them is killed with
// -9 at random moments and started again, and the database is stopped for a while: afterwards
// `cycles` holds every published cycle exactly once, as the messages said it.
#include <gtest/gtest.h>
#include <mosquitto.h>

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

#include "broker.h"
#include "collector.h"
#include "database.h"
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
        "--listen off --database '" + db.conninfo() + "' --database-password-file " + db.passwordFile();
    Collector journals(dir.path() / "plant", broker.port(), "--id kvdplant-a " + database);
    Collector only(dir.path() / "only", broker.port(), "--id kvdplant-b " + database, false);
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
    // kvdstat answers from the database as from the journals: each machine, then the plant.
    const std::string fromJournals =
        Output(KVDSTAT_PATH " summary " + (dir.path() / "plant").string() + "/lathe-2/journal " +
               (dir.path() / "plant").string() + "/mill-1/journal " + (dir.path() / "plant").string() +
               "/mill-3/journal");
    EXPECT_NE(fromJournals.find("the plant (3 machines)"), std::string::npos) << fromJournals;
    EXPECT_EQ(Output("PGPASSWORD=" + Database::password() + " " KVDSTAT_PATH " summary --database '" +
                     db.conninfo() + "'"),
              fromJournals);
}

}  // namespace
