// kvdplant and the plant's broker under faults, each a scenario with the cycles published and
// stored per machine: the real mosquitto with the shipped configuration, the real kvdplant, and
// a test client in the monitors' place publishing their cycle messages at QoS 1. Afterwards every
// machine's journal holds each of its cycles once, in order, and nothing else.
#include <gtest/gtest.h>
#include <mosquitto.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "broker.h"
#include "collector.h"
#include "journal/journal_file.h"
#include "journal/journal_line.h"
#include "journal/journal_writer.h"
#include "plant/outbox.h"
#include "plant/plant_messages.h"
#include "plant/publisher.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
constexpr int64_t kMorningMs = 1796724000000LL;  // 2026-12-08T10:00:00Z

JournalRecord Cycle(int i) {
    JournalRecord r{};
    r.time = {kMorningMs + int64_t{i} * 1000, 0};  // one a second: 10,000 stay in one day
    r.cut = i % 16;
    r.peak = static_cast<uint8_t>(i % 90);
    r.breakLimit = 95;
    return r;
}

std::string Message(int i, const std::string& machine) {
    char text[kCycleMessageMax];
    return {text, FormatCycleMessage(Cycle(i), machine.c_str(), "", 1000 + i, text, sizeof text)};
}

// The journal a machine's cycles first..last make, as kvdplant must hold it.
std::string Expected(int first, int last) {
    std::string text = std::string(kJournalHeader) + "\n";
    for (int i = first; i <= last; ++i) {
        char line[kJournalLineMax];
        text.append(line, FormatJournalLine(Cycle(i), line));
    }
    return text;
}

std::string Journal(const fs::path& plant, const std::string& machine) {
    std::ifstream in(plant / machine / "journal" / "2026-12-08.csv", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A monitor's side: cycle messages published at QoS 1, counted as the broker acknowledges them.
class Monitor {
public:
    Monitor(uint16_t port, const char* id) {
        mosquitto_lib_init();
        m_ = mosquitto_new(id, true, this);
        mosquitto_username_pw_set(m_, id, TestPassword(id).c_str());  // the test broker's user `id`
        mosquitto_publish_callback_set(
            m_, [](mosquitto*, void* self, int) { ++static_cast<Monitor*>(self)->acked_; });
        mosquitto_max_inflight_messages_set(m_, 100);
        connected_ = mosquitto_connect(m_, "127.0.0.1", port, 30) == MOSQ_ERR_SUCCESS;
        mosquitto_loop_start(m_);
    }
    ~Monitor() {
        // The disconnect ends the loop thread; forcing it (a cancel) could leave its mutex locked.
        mosquitto_disconnect(m_);
        mosquitto_loop_stop(m_, false);
        mosquitto_destroy(m_);
        mosquitto_lib_cleanup();
    }
    bool Publish(const std::string& topic, const std::string& payload) {
        return mosquitto_publish(m_, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(),
                                 1, false) == MOSQ_ERR_SUCCESS;
    }
    bool Cycles(const std::string& machine, int first, int last) {
        for (int i = first; i <= last; ++i)
            if (!Publish("kvd/" + machine + "/cycle", Message(i, machine))) return false;
        return true;
    }
    bool WaitAcked(int n, int seconds = 60) {
        return WaitFor(seconds, [&] { return acked_.load() >= n; });
    }
    bool connected() const { return connected_; }

private:
    mosquitto* m_ = nullptr;
    std::atomic<int> acked_{0};
    bool connected_ = false;
};

struct Plant {
    TempWorkDir dir;
    Broker broker{dir.path()};
    fs::path plant = dir.path() / "plant";
};

// kvdplant subscribes (its lasting session) and stores a first cycle of mill-1.
void FirstCycle(Plant& p, Collector& c, Monitor& m) {
    ASSERT_TRUE(c.Start());
    ASSERT_TRUE(WaitFor(20, [&] {
        m.Publish("kvd/mill-1/cycle", Message(0, "mill-1"));
        return WaitFor(1, [&] { return Lines(Journal(p.plant, "mill-1")) >= 2; });
    }));
    ASSERT_EQ(Journal(p.plant, "mill-1"), Expected(0, 0));
}

// Natively the scenario's 10,000 cycles; a sanitizer's kvdplant drains them some ten times slower,
// so there the same scenario runs with fewer.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr int kQueuedCycles = 2000;
#else
constexpr int kQueuedCycles = 10000;
#endif

TEST(PlantFaults, ABrokerKilledWhileTheCollectorIsAwayKeepsTenThousandQueuedCycles) {
    Plant p;
    ASSERT_TRUE(p.broker.Start());
    Collector c(p.plant, p.broker.port(), "--id kvdplant-fault");
    {
        Monitor m(p.broker.port(), "mill-1");
        ASSERT_TRUE(m.connected());
        FirstCycle(p, c, m);
        c.Stop(SIGTERM);  // kvdplant away: the broker queues for its session
        ASSERT_TRUE(m.Cycles("mill-1", 1, kQueuedCycles));
        ASSERT_TRUE(m.WaitAcked(kQueuedCycles));
    }
    // The configuration saves the database every second or two (whole seconds): a kill after a
    // save that began after the last acknowledgement loses nothing of the queue. (A kill before
    // it loses what was acknowledged since the last save; a monitor's publisher sends that again,
    // as it has no receipt for it: the next scenario.)
    ASSERT_TRUE(p.broker.WaitForASaveFromNow());
    p.broker.Stop(SIGKILL);
    ASSERT_TRUE(p.broker.Start());
    ASSERT_TRUE(c.Start());
    WaitFor(90, [&] { return Lines(Journal(p.plant, "mill-1")) >= kQueuedCycles + 2; });
    EXPECT_EQ(Lines(Journal(p.plant, "mill-1")) - 1, kQueuedCycles + 1u);
    EXPECT_TRUE(Journal(p.plant, "mill-1") == Expected(0, kQueuedCycles))
        << "cycles lost, repeated or out of order";
}

// A monitor back after a while, kQueuedCycles waiting in its journal, catches up through its
// publisher. The broker is killed with -9 twice, saving nothing since its last save (about a
// second): first at a random moment while kvdplant is away and the broker queues the cycles in
// flight for it, then at a random moment while they flow to kvdplant. The publisher moves its
// outbox on only by kvdplant's receipts, so after each restart it sends again what was not
// receipted, with the same numbers, and kvdplant drops what it holds: every cycle once, in order.
// (Moved on by the broker's PUBACK, the outbox lost the second or two before each kill.)
TEST(PlantFaults, ABrokerKilledWhileAMonitorCatchesUpLosesNoCycle) {
    Plant p;
    ASSERT_TRUE(p.broker.Start());
    Collector c(p.plant, p.broker.port(), "--id kvdplant-fault --listen off");
    ASSERT_TRUE(c.Start());
    ASSERT_TRUE(c.WaitConnected());  // its lasting session: the broker queues for it from now on
    c.Stop(SIGTERM);
    const std::string journal = (p.dir.path() / "pc" / "journal").string();
    const std::string statistics = (p.dir.path() / "pc" / "Default.$$$").string();
    ASSERT_EQ(MakeJournalFolder((p.dir.path() / "pc").c_str()), 0);
    ASSERT_EQ(MakeJournalFolder(journal.c_str()), 0);
    ASSERT_EQ(SaveOutboxPosition(journal.c_str(), FreshOutboxPosition(journal.c_str(), kMorningMs)), 0);
    std::unique_ptr<JournalWriter> writer(new JournalWriter);
    ResetJournalWriter(*writer);
    for (int i = 0; i < kQueuedCycles; ++i)
        ASSERT_EQ(WriteJournalRecord(*writer, SystemJournalFiles(), statistics.c_str(), Cycle(i)), 0);
    PlantSettings s{};
    char message[kPlantMessageMax];
    const std::string port = std::to_string(p.broker.port()), password = TestPassword("mill-1");
    ASSERT_TRUE(ParsePlantSettings(
        {"1", "127.0.0.1", port.c_str(), "mill-1", nullptr, nullptr, "mill-1", password.c_str()}, "pc", s,
        message, sizeof message));
    PlantPublisher* publisher = StartPlantPublisher(DefaultPublisherSetup(s, journal.c_str()));
    ASSERT_NE(publisher, nullptr);
    std::mt19937 random(std::random_device{}());
    ASSERT_TRUE(
        WaitFor(20, [&] { return ReadPlantLinkStatus(publisher).state == PlantLinkState::kConnected; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100 + random() % 1500));
    p.broker.Stop(SIGKILL);  // kvdplant away, a window of cycles queued for it
    ASSERT_TRUE(p.broker.Start());
    ASSERT_TRUE(c.Start());
    const std::size_t killAt = kQueuedCycles / 10 + random() % (kQueuedCycles / 2);
    ASSERT_TRUE(WaitFor(60, [&] { return Lines(Journal(p.plant, "mill-1")) > killAt; }));
    p.broker.Stop(SIGKILL);  // while they flow
    const std::size_t atKill = Lines(Journal(p.plant, "mill-1")) - 1;
    ASSERT_TRUE(p.broker.Start());
    WaitFor(90, [&] { return ReadPlantLinkStatus(publisher).published >= uint64_t{kQueuedCycles}; });
    const uint64_t published = ReadPlantLinkStatus(publisher).published;
    StopPlantPublisher(publisher, 2000);
    std::printf("broker killed at %zu of %d stored; published %llu stored %zu\n", atKill, kQueuedCycles,
                static_cast<unsigned long long>(published), Lines(Journal(p.plant, "mill-1")) - 1);
    EXPECT_LT(atKill, std::size_t{kQueuedCycles}) << "the kill came after the catch-up: it showed nothing";
    EXPECT_EQ(published, uint64_t{kQueuedCycles});  // every cycle receipted, none twice
    EXPECT_TRUE(Journal(p.plant, "mill-1") == Expected(0, kQueuedCycles - 1))
        << "cycles lost, repeated or out of order: " << Lines(Journal(p.plant, "mill-1"));
}

TEST(PlantFaults, ACollectorKilledAtRandomMomentsDuringADrainStoresEveryCycleOnce) {
    Plant p;
    ASSERT_TRUE(p.broker.Start());
    Collector c(p.plant, p.broker.port(), "--id kvdplant-fault");
    Monitor m(p.broker.port(), "monitors");
    ASSERT_TRUE(m.connected());
    FirstCycle(p, c, m);
    c.Stop(SIGTERM);
    // Two machines, 3,000 cycles each queued; then kvdplant drains them and is killed five times.
    ASSERT_TRUE(m.Cycles("mill-1", 1, 3000));
    ASSERT_TRUE(m.Cycles("lathe-2", 0, 2999));
    ASSERT_TRUE(m.WaitAcked(6001));
    std::mt19937 random(std::random_device{}());
    std::vector<std::size_t> atKill;
    const auto stored = [&] {
        return Lines(Journal(p.plant, "mill-1")) + Lines(Journal(p.plant, "lathe-2"));
    };
    for (int k = 0; k < 5; ++k) {
        ASSERT_TRUE(c.Start());
        // The first kill at a random point of the drain itself (a drain can take well under a
        // second), the others at random moments after a start.
        if (k == 0) {
            const std::size_t killAt = 2 + random() % 5000;
            WaitFor(60, [&] { return stored() > killAt; });
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(50 + random() % 400));
        }
        c.Stop(SIGKILL);
        atKill.push_back(stored());
    }
    ASSERT_TRUE(c.Start());
    WaitFor(60, [&] {
        return Lines(Journal(p.plant, "mill-1")) >= 3002 && Lines(Journal(p.plant, "lathe-2")) >= 3001;
    });
    EXPECT_LT(atKill.front(), 6002u) << "the kills came after the drain: they showed nothing";
    EXPECT_TRUE(Journal(p.plant, "mill-1") == Expected(0, 3000)) << Lines(Journal(p.plant, "mill-1"));
    EXPECT_TRUE(Journal(p.plant, "lathe-2") == Expected(0, 2999)) << Lines(Journal(p.plant, "lathe-2"));
}

TEST(PlantFaults, ALargePayloadIsRefusedAndHarmsNothingElse) {
    Plant p;
    ASSERT_TRUE(p.broker.Start());
    Collector c(p.plant, p.broker.port(), "--id kvdplant-fault");
    Monitor m(p.broker.port(), "monitors");  // it writes for mill-1 and big-1
    ASSERT_TRUE(m.connected());
    FirstCycle(p, c, m);
    ASSERT_TRUE(m.Cycles("mill-1", 1, 50));
    // Under the broker's packet bound, above kvdplant's: a valid cycle padded to 60 KB.
    ASSERT_TRUE(m.Publish("kvd/big-1/cycle", Message(1, "big-1") + std::string(60000, ' ')));
    {
        // Above the broker's bound: it drops the publisher, never the others.
        Monitor hostile(p.broker.port(), "hostile");
        hostile.Publish("kvd/big-2/cycle", std::string(8 << 20, '{'));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    ASSERT_TRUE(m.Cycles("mill-1", 51, 100));
    ASSERT_TRUE(m.WaitAcked(101));
    WaitFor(20, [&] { return Lines(Journal(p.plant, "mill-1")) >= 102; });
    EXPECT_TRUE(Journal(p.plant, "mill-1") == Expected(0, 100)) << Lines(Journal(p.plant, "mill-1"));
    EXPECT_FALSE(fs::exists(p.plant / "big-1"));
    EXPECT_FALSE(fs::exists(p.plant / "big-2"));
    EXPECT_TRUE(c.Running());
    EXPECT_NE(c.Log().find("a message of 60"), std::string::npos) << c.Log();
}

// A connection to the board; one that does not `wait` is left to the kernel to complete.
int ConnectTo(uint16_t port, bool wait = true) {
    const int fd = socket(AF_INET, SOCK_STREAM | (wait ? 0 : SOCK_NONBLOCK), 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && (wait || errno != EINPROGRESS)) {
        close(fd);
        return -1;
    }
    return fd;
}

// The first line of the board's answer to one request, or "" when none came within 10 s.
std::string Ask(uint16_t port, const std::string& request) {
    const int fd = ConnectTo(port);
    if (fd < 0) return "";
    const timeval tv{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    static_cast<void>(send(fd, request.data(), request.size(), MSG_NOSIGNAL));
    char answer[256] = {};
    const ssize_t n = recv(fd, answer, sizeof answer - 1, 0);
    close(fd);
    const std::string text(answer, n > 0 ? static_cast<std::size_t>(n) : 0);
    return text.substr(0, text.find('\r'));
}

TEST(PlantFaults, IdleAndTricklingBoardClientsWithFewDescriptorsStopNoMachine) {
    Plant p;
    ASSERT_TRUE(p.broker.Start());
    const uint16_t boardPort = Broker::FreePort();
    Collector c(p.plant, p.broker.port(),
                "--id kvdplant-fault --listen 127.0.0.1:" + std::to_string(boardPort) + " --token-file " +
                    (p.dir.path() / "token").string());
    std::ofstream(p.dir.path() / "token") << "s3cret\n";
    Monitor m(p.broker.port(), "monitors");
    ASSERT_TRUE(m.connected());
    ASSERT_TRUE(c.Start(256));
    ASSERT_TRUE(WaitFor(20, [&] {
        m.Publish("kvd/mill-1/cycle", Message(0, "mill-1"));
        return WaitFor(1, [&] { return Lines(Journal(p.plant, "mill-1")) >= 2; });
    }));
    // 300 connections that say nothing and 16 that trickle a header without end, from anyone:
    // more than kvdplant has descriptors.
    std::vector<int> idle, trickle;
    for (int i = 0; i < 300; ++i) idle.push_back(ConnectTo(boardPort, false));
    for (int i = 0; i < 16; ++i) trickle.push_back(ConnectTo(boardPort));
    std::atomic<bool> stop{false};
    std::thread trickler([&] {
        for (int k = 0; !stop; ++k) {
            for (int fd : trickle)
                static_cast<void>(
                    send(fd, k == 0 ? "GET / HTTP/1.1\r\nX: " : "a", k == 0 ? 19 : 1, MSG_NOSIGNAL));
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
    // Meanwhile three machines go on storing, and the token's request is answered.
    for (const char* machine : {"mill-1", "mill-2", "lathe-3"})
        ASSERT_TRUE(m.Cycles(machine, std::string(machine) == "mill-1" ? 1 : 0, 300));
    // The board holds a bounded number of connections and turns the rest away at once (503);
    // each it holds has 3 s to send its request, so the token's request is answered soon.
    std::string token;
    const auto asked = std::chrono::steady_clock::now();
    WaitFor(15, [&] {
        token = Ask(boardPort, "GET /api/machines HTTP/1.1\r\nAuthorization: Bearer s3cret\r\n\r\n");
        return token == "HTTP/1.1 200 OK";
    });
    const auto waited = std::chrono::steady_clock::now() - asked;
    WaitFor(30, [&] { return Lines(Journal(p.plant, "lathe-3")) >= 302; });
    stop = true;
    trickler.join();
    for (int fd : idle) close(fd);
    for (int fd : trickle) close(fd);
    EXPECT_EQ(token, "HTTP/1.1 200 OK");
    EXPECT_LT(waited, std::chrono::seconds(15));
    for (const char* machine : {"mill-1", "mill-2", "lathe-3"})
        EXPECT_TRUE(Journal(p.plant, machine) == Expected(0, 300))
            << machine << ": " << Lines(Journal(p.plant, machine));
    EXPECT_TRUE(c.Running());
    EXPECT_EQ(c.Log().find("cannot"), std::string::npos) << c.Log();
}

}  // namespace
