// The publisher against a real broker, watched by libmosquitto: what our codec writes is what
// another implementation reads, the will comes when our connection drops, and a broker that stops
// and starts again gets the cycles written meanwhile, once each and in order.
#include <gtest/gtest.h>
#include <mosquitto.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "broker.h"
#include "journal/journal_file.h"
#include "journal/journal_writer.h"
#include "plant/publisher.h"
#include "temp_dir.h"

namespace {

using nlohmann::json;

struct Seen {
    std::string topic;
    json payload;
    bool retain;
};

// A lasting-session subscriber to kvd/#, on libmosquitto's own thread; one that `receipts` answers
// each cycle as kvdplant does, with a receipt of its outbox and number.
class Watcher {
public:
    Watcher(uint16_t port, const char* id, bool receipts = false) : receipts_(receipts) {
        mosquitto_lib_init();
        m_ = mosquitto_new(id, false, this);
        mosquitto_username_pw_set(m_, id, TestPassword(id).c_str());  // the test broker's user `id`
        mosquitto_connect_callback_set(
            m_, [](mosquitto* m, void*, int) { mosquitto_subscribe(m, nullptr, "kvd/#", 1); });
        mosquitto_message_callback_set(m_, [](mosquitto* m, void* self, const mosquitto_message* msg) {
            auto* w = static_cast<Watcher*>(self);
            const std::string text(static_cast<const char*>(msg->payload),
                                   static_cast<std::size_t>(msg->payloadlen));
            const json payload = json::parse(text, nullptr, false);
            const std::string topic = msg->topic;
            if (w->receipts_ && topic.size() > 6 && topic.substr(topic.size() - 6) == "/cycle") {
                const std::string receipt =
                    json{{"outbox", payload["outbox"]}, {"seq", payload["seq"]}}.dump();
                mosquitto_publish(m, nullptr, (topic.substr(0, topic.size() - 5) + "receipt").c_str(),
                                  static_cast<int>(receipt.size()), receipt.data(), 1, false);
            }
            if (topic.size() > 8 && topic.substr(topic.size() - 8) == "/receipt") return;  // its own
            std::lock_guard lock(w->mutex_);
            w->seen_.push_back({topic, payload, msg->retain});
        });
        mosquitto_reconnect_delay_set(m_, 1, 1, false);
        mosquitto_connect(m_, "127.0.0.1", port, 10);
        mosquitto_loop_start(m_);
    }
    ~Watcher() {
        mosquitto_disconnect(m_);
        mosquitto_loop_stop(m_, false);  // the disconnect ends the loop; a cancel could leave a mutex locked
        mosquitto_destroy(m_);
        mosquitto_lib_cleanup();
    }
    // Waits up to 20 s until `done` holds for what was seen.
    template <typename Done>
    bool WaitFor(Done done) {
        for (int i = 0; i < 400; ++i) {
            {
                std::lock_guard lock(mutex_);
                if (done(seen_)) return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    std::vector<Seen> Copy() {
        std::lock_guard lock(mutex_);
        return seen_;
    }

private:
    mosquitto* m_;
    bool receipts_;
    std::mutex mutex_;
    std::vector<Seen> seen_;
};

std::size_t Count(const std::vector<Seen>& seen, const std::string& leaf, int online = -1) {
    std::size_t n = 0;
    for (const Seen& s : seen)
        if (s.topic == "kvd/lathe-3/" + leaf &&
            (online < 0 || s.payload.value("online", false) == (online == 1)))
            ++n;
    return n;
}

// The socket seam of the system with the last connection remembered, so the test can cut it.
std::atomic<intptr_t> gLastSocket{-1};
int32_t RememberingConnect(const SocketService&, const char* host, uint16_t port, int32_t timeoutMs,
                           intptr_t* socket) {
    const SocketService sockets = SystemSockets();
    const int32_t r = sockets.connect(sockets, host, port, timeoutMs, socket);
    if (r == 0) gLastSocket = *socket;
    return r;
}

void WriteCycles(int from, int to) {
    for (int i = from; i < to; ++i) {
        JournalRecord r{};
        r.time = JournalNow();
        r.time.unixMs += i;  // distinct even within one millisecond
        r.cut = 2;
        r.peak = static_cast<uint8_t>(i);
        static JournalWriter* writer = [] {
            auto* w = new JournalWriter;
            ResetJournalWriter(*w);
            return w;
        }();
        ASSERT_EQ(WriteJournalRecord(*writer, SystemJournalFiles(), "Default.$$$", r), 0);
    }
}

TEST(PlantBroker, CyclesWillAndABrokerRestartThroughMosquitto) {
    TempWorkDir dir;
    Broker broker(dir.path());
    ASSERT_TRUE(broker.Start());
    Watcher watcher(broker.port(), "watcher", true);
    ASSERT_EQ(MakeJournalFolder("journal"), 0);

    PlantSettings s{};
    char message[kPlantMessageMax];
    const std::string port = std::to_string(broker.port());
    const std::string password = TestPassword("lathe-3");
    ASSERT_TRUE(ParsePlantSettings(
        {"1", "127.0.0.1", port.c_str(), "lathe-3", nullptr, nullptr, "lathe-3", password.c_str()}, "pc", s,
        message, 256));
    PlantPublisherSetup setup = DefaultPublisherSetup(s, "journal");
    setup.sockets.connect = RememberingConnect;
    PlantPublisher* publisher = StartPlantPublisher(setup);
    ASSERT_NE(publisher, nullptr);

    // Online and retained first; then three cycles, numbered one after the other.
    ASSERT_TRUE(watcher.WaitFor([](const auto& seen) { return Count(seen, "state", 1) == 1; }));
    WriteCycles(0, 3);
    NudgePlantPublisher(publisher);
    ASSERT_TRUE(watcher.WaitFor([](const auto& seen) { return Count(seen, "cycle") == 3; }));
    std::vector<Seen> seen = watcher.Copy();
    EXPECT_EQ(seen.front().payload["unit"], false);
    const uint64_t first = seen[1].payload["seq"].get<uint64_t>();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(seen[1 + i].payload["seq"].get<uint64_t>(), first + i);
        EXPECT_EQ(seen[1 + i].payload["peak"], i);
        EXPECT_EQ(seen[1 + i].payload["cut"], 3);
    }

    // The connection drops without a goodbye: the broker sends the will; the link comes back.
    shutdown(static_cast<int>(gLastSocket.load()), SHUT_RDWR);
    ASSERT_TRUE(watcher.WaitFor([](const auto& seen) { return Count(seen, "state", 0) == 1; }));
    ASSERT_TRUE(watcher.WaitFor([](const auto& seen) { return Count(seen, "state", 1) == 2; }));

    // The first three receipted (on a slow machine their receipts may come only after the link is
    // back: the cycles are sent again); then the broker stops; four cycles end meanwhile; it starts
    // again and gets them, in order.
    for (int i = 0; i < 200 && ReadPlantLinkStatus(publisher).published != 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(ReadPlantLinkStatus(publisher).published, 3u);
    broker.Stop();
    WriteCycles(3, 7);
    NudgePlantPublisher(publisher);
    // The link, trying to connect again, counts the cycles waiting in the journal.
    for (int i = 0; i < 100 && ReadPlantLinkStatus(publisher).waiting != 4; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ReadPlantLinkStatus(publisher).waiting, 4u);
    EXPECT_NE(ReadPlantLinkStatus(publisher).state, PlantLinkState::kConnected);
    ASSERT_TRUE(broker.Start());
    ASSERT_TRUE(watcher.WaitFor([](const auto& seen) { return Count(seen, "cycle") >= 7; }));
    // The watcher sees the last cycle before its receipt reaches the publisher.
    for (int i = 0; i < 100 && ReadPlantLinkStatus(publisher).published != 7; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ReadPlantLinkStatus(publisher).published, 7u);

    // A closing monitor says offline itself (a resubscription may have brought the retained
    // state again, so the last word counts).
    const auto lastState = [](const std::vector<Seen>& seen) {
        for (auto it = seen.rbegin(); it != seen.rend(); ++it)
            if (it->topic == "kvd/lathe-3/state") return it->payload.value("online", false) ? 1 : 0;
        return -1;
    };
    EXPECT_EQ(lastState(watcher.Copy()), 1);
    StopPlantPublisher(publisher, 2000);
    ASSERT_TRUE(watcher.WaitFor([&](const auto& seen) { return lastState(seen) == 0; }));
    seen = watcher.Copy();
    std::vector<uint64_t> numbers;
    for (const Seen& x : seen)
        if (x.topic == "kvd/lathe-3/cycle" &&
            (numbers.empty() ||
             x.payload["seq"].get<uint64_t>() > numbers.back()))  // a resend may repeat one
            numbers.push_back(x.payload["seq"].get<uint64_t>());
    ASSERT_EQ(numbers.size(), 7u);
    EXPECT_EQ(numbers.back(), first + 6);

    // What a board starting later learns at once: the retained state, offline.
    Watcher late(broker.port(), "late");
    ASSERT_TRUE(late.WaitFor([](const auto& seen) { return Count(seen, "state", 0) == 1; }));
    EXPECT_TRUE(late.Copy().front().retain);
}

}  // namespace
