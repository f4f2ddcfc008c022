// The plant link's session and publisher over a scripted socket: what the broker sends is read
// even while the link has nothing to say (the keep-alive holds for hours, a dead broker is noticed
// within 1.5 keep-alive periods), a broker that accepts and drops every connection gets a
// growing pause, not a connection storm, and the outbox moves on by the collector's receipts only.
// The plant link dialog's Test tells the broker's answers apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "journal/journal_file.h"
#include "journal/journal_writer.h"
#include "plant/connection_check.h"
#include "plant/mqtt_session.h"
#include "plant/outbox.h"
#include "plant/plant_receipt.h"
#include "plant/publisher.h"
#include "temp_dir.h"

namespace {

// One scripted broker for the test's life: the socket seam's functions are plain pointers.
struct Script {
    std::mutex mutex;
    std::deque<uint8_t> toClient;
    bool answerPings = true;
    bool closeAfterConnack = false;
    bool closed = false;
    int pingreqs = 0;
    std::vector<int64_t> connects;               // PlantClockMs of each connection
    int32_t connectResult = 0;                   // what the connect says
    std::deque<uint8_t> connack{0x20, 2, 0, 0};  // accepted
    std::vector<uint8_t> sent;                   // every byte the client sent
    std::vector<std::string> subscribed;
    std::vector<MqttPublish> cycles;  // what was published on a cycle topic (views into `payloads`)
    std::deque<std::string> payloads;
};
Script* gScript = nullptr;

const SocketService kScripted{
    [](const SocketService&, const char*, uint16_t, int32_t, intptr_t* socket) -> int32_t {
        std::lock_guard lock(gScript->mutex);
        gScript->connects.push_back(PlantClockMs());
        if (gScript->connectResult != 0) return gScript->connectResult;
        gScript->closed = false;
        gScript->toClient = gScript->connack;
        *socket = 1;
        return 0;
    },
    [](intptr_t, const uint8_t* bytes, std::size_t n, int32_t) -> int32_t {
        std::lock_guard lock(gScript->mutex);
        Script& s = *gScript;
        s.sent.insert(s.sent.end(), bytes, bytes + n);
        if (n == 2 && bytes[0] == 0xC0) {
            ++s.pingreqs;
            if (s.answerPings) s.toClient.insert(s.toClient.end(), {0xD0, 0});
        }
        if (n > 6 && bytes[0] == 0x82) {  // SUBSCRIBE: granted at QoS 1
            s.subscribed.emplace_back(reinterpret_cast<const char*>(bytes + 6), n - 7);
            s.toClient.insert(s.toClient.end(), {0x90, 3, bytes[2], bytes[3], 1});
        }
        MqttPacket p{};
        std::size_t used = 0;
        const char* reason = "";
        if ((bytes[0] >> 4) == kMqttPublish &&
            ReadMqttPacket(bytes, n, p, &used, &reason) == MqttRead::kPacket) {
            if (p.publish.qos == 1)
                s.toClient.insert(s.toClient.end(), {0x40, 2, static_cast<uint8_t>(p.packetId >> 8),
                                                     static_cast<uint8_t>(p.packetId & 0xFF)});
            if (p.publish.topic.ends_with("/cycle")) {
                s.payloads.emplace_back(p.publish.payload);
                p.publish.payload = s.payloads.back();
                p.publish.topic = {};
                s.cycles.push_back(p.publish);
            }
        }
        return 0;
    },
    [](intptr_t, uint8_t* buffer, std::size_t capacity, int32_t timeoutMs, std::size_t* got) -> int32_t {
        {
            std::lock_guard lock(gScript->mutex);
            *got = 0;
            while (*got < capacity && !gScript->toClient.empty()) {
                buffer[(*got)++] = gScript->toClient.front();
                gScript->toClient.pop_front();
            }
            if (*got > 0) {
                if (gScript->closeAfterConnack) gScript->closed = true;
                return 0;
            }
            if (gScript->closed) return kSocketPeerClosed;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return kSocketTimedOut;
    },
    [](intptr_t) {},
};

struct ScriptScope {
    Script script;
    ScriptScope() { gScript = &script; }
    ~ScriptScope() { gScript = nullptr; }
};

// The publisher's own use of an idle session: a short rest, then Idle(0), over and over.
int32_t IdleFor(MqttSession& s, int64_t ms, int64_t* failedAfterMs) {
    const int64_t start = PlantClockMs();
    while (PlantClockMs() - start < ms) {
        if (const int32_t r = s.Idle(0)) {
            *failedAfterMs = PlantClockMs() - start;
            return r;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 0;
}

TEST(MqttSessionIdle, KeepsALiveBrokerAndGivesUpASilentOneWithinOneAndAHalfPeriods) {
    ScriptScope scope;
    std::atomic<bool> stop{false};
    MqttSession s(kScripted, stop);
    const MqttConnect connect{"zavize-WS-07", 1, true, nullptr};  // a keep-alive of 1 s
    ASSERT_EQ(s.Open("broker", 1883, connect, 1000), 0);

    // Three periods of nothing to send: every PINGREQ is answered and the link stays up.
    int64_t failedAfter = -1;
    EXPECT_EQ(IdleFor(s, 3000, &failedAfter), 0);
    {
        std::lock_guard lock(scope.script.mutex);
        EXPECT_GE(scope.script.pingreqs, 4);
        EXPECT_TRUE(scope.script.toClient.empty());  // every PINGRESP was taken
        scope.script.answerPings = false;            // the broker goes silent
    }
    EXPECT_EQ(IdleFor(s, 5000, &failedAfter), kMqttNoAnswer);
    EXPECT_LE(failedAfter, 1500);

    // A broker that closes is noticed by the next look, not by the keep-alive.
    ASSERT_EQ(s.Open("broker", 1883, connect, 1000), 0);
    {
        std::lock_guard lock(scope.script.mutex);
        scope.script.closed = true;
    }
    EXPECT_EQ(s.Idle(0), kSocketPeerClosed);
}

TEST(PlantPublisherPause, ABrokerThatAcceptsAndDropsGetsAGrowingPause) {
    TempWorkDir dir;
    ScriptScope scope;
    scope.script.closeAfterConnack = true;
    PlantSettings settings{true, "broker", 1883, "WS-07", "kvd", kPlantDefaultKeepAlive, "", "", false, ""};
    PlantPublisherSetup setup = DefaultPublisherSetup(settings, "journal");
    setup.sockets = kScripted;
    PlantPublisher* p = StartPlantPublisher(setup);
    ASSERT_NE(p, nullptr);
    // Nudges (new cycles) during the pause do not cut it short.
    for (int i = 0; i < 35; ++i) {
        NudgePlantPublisher(p);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    StopPlantPublisher(p, 2000);
    std::lock_guard lock(scope.script.mutex);
    const std::vector<int64_t>& c = scope.script.connects;
    // 3.5 s: the first connection, one after a pause of 1 s and one after 2 s more.
    ASSERT_GE(c.size(), 2u);
    EXPECT_LE(c.size(), 3u);
    EXPECT_GE(c[1] - c[0], 1000);
    if (c.size() == 3) {
        EXPECT_GE(c[2] - c[1], 2000);
    }
}

// Each answer of the broker to the Test's connection, told apart for the dialog. Accepted, the Test
// says goodbye at once; it never registers a will (no offline state for the machine) and uses a
// client id of its own, so a running link of the same machine is not pushed off.
TEST(PlantConnectionCheck, TellsTheBrokersAnswersApart) {
    struct Case {
        const char* what;
        int32_t connectResult;
        std::deque<uint8_t> connack;
        bool stop;
        PlantCheckOutcome outcome;
        uint8_t refusal;
        int32_t result;
    };
    const Case cases[] = {
        {"accepted", 0, {0x20, 2, 0, 0}, false, PlantCheckOutcome::kConnected, 0, 0},
        {"wrong user name or password",
         0,
         {0x20, 2, 0, 4},
         false,
         PlantCheckOutcome::kRefused,
         4,
         kMqttRefused},
        {"not authorised", 0, {0x20, 2, 0, 5}, false, PlantCheckOutcome::kRefused, 5, kMqttRefused},
        {"a broker that says nothing", 0, {}, false, PlantCheckOutcome::kNoAnswer, 0, kMqttNoAnswer},
        {"a host that drops the packets",
         kSocketTimedOut,
         {},
         false,
         PlantCheckOutcome::kNoAnswer,
         0,
         kSocketTimedOut},
        {"nobody on the port", 111, {}, false, PlantCheckOutcome::kCannotConnect, 0, 111},
        {"no such host", kSocketNoAddress, {}, false, PlantCheckOutcome::kCannotConnect, 0, kSocketNoAddress},
        {"a certificate from another CA",
         kSocketCertUntrusted,
         {},
         false,
         PlantCheckOutcome::kNotTrusted,
         0,
         kSocketCertUntrusted},
        {"the dialog closed", 0, {}, true, PlantCheckOutcome::kStopped, 0, kMqttStopped},
    };
    PlantSettings settings{true,     "broker",    1883,  "WS-07", "kvd", kPlantDefaultKeepAlive,
                           "mill-7", "Secret-42", false, ""};
    for (const Case& c : cases) {
        ScriptScope scope;
        scope.script.connectResult = c.connectResult;
        scope.script.connack = c.connack;
        std::atomic<bool> stop{c.stop};
        const int64_t start = PlantClockMs();
        const PlantCheckResult r = CheckPlantConnection(settings, kScripted, 400, stop);
        EXPECT_LE(PlantClockMs() - start, 1000) << c.what;
        EXPECT_EQ(r.outcome, c.outcome) << c.what;
        EXPECT_EQ(r.refusal, c.refusal) << c.what;
        EXPECT_EQ(r.result, c.result) << c.what;
        const std::vector<uint8_t>& sent = scope.script.sent;
        if (c.connectResult != 0) {
            EXPECT_TRUE(sent.empty()) << c.what;
            continue;
        }
        // CONNECT: header, length, "MQTT", level 4, flags (bit 2 a will, bits 7 and 6 a user name
        // and a password), keep-alive, then the client id, the user name and the password.
        ASSERT_GE(sent.size(), 12u) << c.what;
        EXPECT_EQ(sent[0], 0x10) << c.what;
        EXPECT_EQ(sent[9], 0xC2) << c.what;  // user name, password, clean session; no will
        for (const std::string field : {"zavize-WS-07-test", "mill-7", "Secret-42"})
            EXPECT_NE(std::search(sent.begin(), sent.end(), field.begin(), field.end()), sent.end())
                << c.what << ": " << field;
        const bool goodbye = sent.size() >= 2 && sent[sent.size() - 2] == 0xE0 && sent.back() == 0;
        EXPECT_EQ(goodbye, c.outcome == PlantCheckOutcome::kConnected) << c.what;
    }
}

// A broker hands the publisher receipts, true and false ones: the outbox moves on only by a receipt
// of its own outbox, on its own machine's topic, for a cycle in flight, and then for every cycle
// sent before it too; what was in flight at a lost connection goes again with its own number.
TEST(PlantPublisherReceipts, OnlyItsOwnReceiptMovesTheOutboxOn) {
    TempWorkDir dir;
    ScriptScope scope;
    ASSERT_EQ(MakeJournalFolder("journal"), 0);
    OutboxPosition start = FreshOutboxPosition("journal", 1796724000000LL);
    ASSERT_EQ(SaveOutboxPosition("journal", start), 0);
    std::unique_ptr<JournalWriter> writer(new JournalWriter);
    ResetJournalWriter(*writer);
    for (int i = 0; i < 5; ++i) {
        JournalRecord r{};
        r.time = JournalNow();
        r.time.unixMs += i;
        r.peak = static_cast<uint8_t>(i);
        ASSERT_EQ(WriteJournalRecord(*writer, SystemJournalFiles(), "Default.$$$", r), 0);
    }
    PlantSettings settings{true, "broker", 1883, "WS-07", "kvd", kPlantDefaultKeepAlive, "", "", false, ""};
    PlantPublisherSetup setup = DefaultPublisherSetup(settings, "journal");
    setup.sockets = kScripted;
    PlantPublisher* p = StartPlantPublisher(setup);
    ASSERT_NE(p, nullptr);
    const auto sent = [&](std::size_t n) {
        for (int i = 0; i < 100; ++i) {
            {
                std::lock_guard lock(scope.script.mutex);
                if (scope.script.cycles.size() >= n) return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    };
    const auto receipt = [&](const char* topic, const char* outbox, uint64_t seq) {
        char text[kReceiptMessageMax];
        const std::size_t n = FormatReceiptMessage(outbox, seq, text, sizeof text);
        uint8_t packet[256];
        const std::size_t size =
            WriteMqttPublish({topic, {text, n}, 1, false, false, 77}, packet, sizeof packet);
        std::lock_guard lock(scope.script.mutex);
        scope.script.toClient.insert(scope.script.toClient.end(), packet, packet + size);
    };
    const auto published = [&](uint64_t n) {
        for (int i = 0; i < 100 && ReadPlantLinkStatus(p).published != n; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return ReadPlantLinkStatus(p).published;
    };
    // All five in flight at once, before any receipt.
    ASSERT_TRUE(sent(5));
    EXPECT_EQ(scope.script.subscribed, std::vector<std::string>{"kvd/WS-07/receipt"});
    const uint64_t first = start.sequence + 1;
    // False receipts: another machine's topic, another outbox, a number never sent.
    receipt("kvd/WS-08/receipt", start.id, first + 4);
    receipt("kvd/WS-07/receipt", "0123456789abcdef", first + 4);
    receipt("kvd/WS-07/receipt", start.id, first + 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));  // longer than a group's save
    EXPECT_EQ(ReadPlantLinkStatus(p).published, 0u);
    OutboxPosition saved{};
    ASSERT_TRUE(LoadOutboxPosition("journal", saved));
    EXPECT_EQ(saved.sequence, start.sequence);
    // Its own receipt for the third: the first three are the collector's.
    receipt("kvd/WS-07/receipt", start.id, first + 2);
    EXPECT_EQ(published(3), 3u);
    // The connection is lost: the fourth and fifth go again, with their numbers, as resends.
    {
        std::lock_guard lock(scope.script.mutex);
        scope.script.closed = true;
    }
    ASSERT_TRUE(sent(7));
    {
        std::lock_guard lock(scope.script.mutex);
        const std::vector<MqttPublish>& c = scope.script.cycles;
        for (int k = 0; k < 2; ++k) {
            EXPECT_EQ(c[5 + k].payload, c[3 + k].payload);
            EXPECT_TRUE(c[5 + k].dup);
        }
    }
    receipt("kvd/WS-07/receipt", start.id, first + 4);
    EXPECT_EQ(published(5), 5u);
    StopPlantPublisher(p, 2000);
    ASSERT_TRUE(LoadOutboxPosition("journal", saved));
    EXPECT_EQ(saved.sequence, first + 4);
    EXPECT_EQ(CountWaitingCycles("journal", saved, 100), 0u);
}

}  // namespace
