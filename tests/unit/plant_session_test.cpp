// The plant link's session and publisher over a scripted socket: what the broker sends is read
// even while the link has nothing to say (the keep-alive holds for hours, a dead broker is noticed
// within 1.5 keep-alive periods), and a broker that accepts and drops every connection gets a
// growing pause, not a connection storm. The plant link dialog's Test tells the broker's answers
// apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "plant/connection_check.h"
#include "plant/mqtt_session.h"
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
};
Script* gScript = nullptr;

const SocketService kScripted{
    [](const char*, uint16_t, int32_t, intptr_t* socket) -> int32_t {
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
        gScript->sent.insert(gScript->sent.end(), bytes, bytes + n);
        if (n == 2 && bytes[0] == 0xC0) {
            ++gScript->pingreqs;
            if (gScript->answerPings) gScript->toClient.insert(gScript->toClient.end(), {0xD0, 0});
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

}  // namespace
