// Only those who belong, against the shipped broker configuration (password file, pattern ACL,
// the user name as client id, a TLS listener with a test CA): a monitor signed in as its machine
// gets its cycles stored; an anonymous client, a wrong password, a client that takes kvdplant's
// id, and one machine's user writing another machine's topics change nothing kvdplant holds; a
// refused monitor says why; kvdplant signs in over TLS, and says so when the certificate or its
// password is not the broker's.
#include <gtest/gtest.h>
#include <mosquitto.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "broker.h"
#include "collector.h"
#include "journal/journal_file.h"
#include "journal/journal_writer.h"
#include "plant/plant_messages.h"
#include "plant/publisher.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

// A cycle message as a monitor of `machine` sends it; its peak tells whose it is.
std::string Cycle(const char* machine, uint8_t peak) {
    JournalRecord r{};
    r.time = JournalNow();
    r.cut = 1;
    r.peak = peak;
    char text[kCycleMessageMax];
    return {text, FormatCycleMessage(r, machine, "", 1, text, sizeof text)};
}

// A libmosquitto client that signs in (or not) with `id`, and when accepted publishes `message`
// on `topic` at QoS 1 and waits for its PUBACK: the CONNACK's code, or -1 when none came.
int Client(uint16_t port, const char* id, const char* user, const std::string& password,
           const std::string& topic, const std::string& message) {
    struct State {
        int connack = -1;
        bool acked = false;
    } st;
    mosquitto* m = mosquitto_new(id, true, &st);
    if (user != nullptr) mosquitto_username_pw_set(m, user, password.c_str());
    mosquitto_connect_callback_set(m,
                                   [](mosquitto*, void* s, int rc) { static_cast<State*>(s)->connack = rc; });
    mosquitto_publish_callback_set(m, [](mosquitto*, void* s, int) { static_cast<State*>(s)->acked = true; });
    if (mosquitto_connect(m, "127.0.0.1", port, 10) == MOSQ_ERR_SUCCESS) {
        for (int i = 0; i < 100 && st.connack < 0; ++i) mosquitto_loop(m, 20, 1);
        if (st.connack == 0) {
            mosquitto_publish(m, nullptr, topic.c_str(), static_cast<int>(message.size()), message.data(), 1,
                              false);
            for (int i = 0; i < 100 && !st.acked; ++i) mosquitto_loop(m, 20, 1);
        }
        mosquitto_disconnect(m);
    }
    mosquitto_destroy(m);
    return st.connack;
}

// A monitor's publisher signed in as `machine` with `password`, its journal in `folder`.
PlantPublisher* Monitor(uint16_t port, const char* machine, const std::string& password, const char* folder) {
    PlantSettings s{};
    char message[kPlantMessageMax];
    const std::string p = std::to_string(port);
    if (!ParsePlantSettings(
            {"1", "127.0.0.1", p.c_str(), machine, nullptr, nullptr, machine, password.c_str()}, "pc", s,
            message, sizeof message))
        return nullptr;
    return StartPlantPublisher(DefaultPublisherSetup(s, folder));
}

TEST(PlantSignIn, OnlyThoseWhoBelongReachTheCollector) {
    TempWorkDir dir;
    Broker broker(dir.path(), true);
    ASSERT_TRUE(broker.Start());
    mosquitto_lib_init();

    // kvdplant over TLS: the system's CAs do not know the test CA; a wrong password is refused;
    // with the test CA and its password it collects.
    const std::string ca = " --listen off --cafile " + broker.caFile();
    Collector untrusted(dir.path() / "untrusted", broker.tlsPort(), "--listen off --tls on");
    Collector refused(dir.path() / "refused", broker.tlsPort(), ca, true, "guess");
    ASSERT_TRUE(untrusted.Start() && refused.Start());
    EXPECT_TRUE(WaitFor(10, [&] {
        return untrusted.Log().find("certificate is not trusted") != std::string::npos;
    })) << untrusted.Log();
    EXPECT_TRUE(WaitFor(10, [&] { return refused.Log().find("refused the sign-in") != std::string::npos; }))
        << refused.Log();
    untrusted.Stop(SIGTERM);
    refused.Stop(SIGTERM);
    Collector kvdplant(dir.path() / "plant", broker.tlsPort(), ca);
    ASSERT_TRUE(kvdplant.Start());
    ASSERT_TRUE(kvdplant.WaitConnected()) << kvdplant.Log();

    // mill-a's monitor signs in as its machine and publishes three cycles.
    ASSERT_EQ(MakeJournalFolder("journal"), 0);
    PlantPublisher* a = Monitor(broker.port(), "mill-a", TestPassword("mill-a"), "journal");
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(WaitFor(20, [&] { return ReadPlantLinkStatus(a).state == PlantLinkState::kConnected; }));
    JournalWriter writer;
    ResetJournalWriter(writer);
    const auto cycles = [&](int n) {
        for (int i = 0; i < n; ++i) {
            JournalRecord r{};
            r.time = JournalNow();
            r.time.unixMs += i;
            r.cut = 2;
            r.peak = 40;
            ASSERT_EQ(WriteJournalRecord(writer, SystemJournalFiles(), "Default.$$$", r), 0);
        }
        NudgePlantPublisher(a);
    };
    cycles(3);
    ASSERT_TRUE(WaitFor(20, [&] { return JournalLines("plant/mill-a/journal").size() == 3; }));

    // Refused at the door: no user, a wrong password, kvdplant's id without its password. (The
    // anonymous one under kvdplant's id costs kvdplant its lasting session in mosquitto 2.0.11,
    // which shows only after kvdplant's next reconnect: docs/plant.md, "Known limit".)
    EXPECT_EQ(Client(broker.port(), "anyone", nullptr, "", "kvd/mill-a/cycle", Cycle("mill-a", 201)), 5);
    EXPECT_EQ(Client(broker.port(), "mill-a", "mill-a", "guess", "kvd/mill-a/cycle", Cycle("mill-a", 202)),
              5);
    EXPECT_EQ(Client(broker.port(), "kvdplant", nullptr, "", "kvd/mill-a/cycle", Cycle("mill-a", 203)), 5);
    EXPECT_EQ(
        Client(broker.port(), "kvdplant", "kvdplant", "guess", "kvd/mill-a/cycle", Cycle("mill-a", 204)), 5);
    // Let in but dropped: mill-b's user under kvdplant's id (its id becomes mill-b: kvdplant's
    // session stays kvdplant's) writing mill-a's cycle, and a machine nobody is.
    EXPECT_EQ(Client(broker.port(), "kvdplant", "mill-b", TestPassword("mill-b"), "kvd/mill-a/cycle",
                     Cycle("mill-a", 205)),
              0);
    EXPECT_EQ(Client(broker.port(), "x", "mill-b", TestPassword("mill-b"), "kvd/mill-c/cycle",
                     Cycle("mill-c", 206)),
              0);
    // A refused monitor says why in its link status.
    fs::create_directories("b/journal");
    PlantPublisher* wrong = Monitor(broker.port(), "mill-b", "guess", "b/journal");
    ASSERT_NE(wrong, nullptr);
    ASSERT_TRUE(WaitFor(10, [&] { return ReadPlantLinkStatus(wrong).lastError != 0; }));
    EXPECT_NE(std::string(ReadPlantLinkStatus(wrong).lastErrorText).find("not authorised"), std::string::npos)
        << ReadPlantLinkStatus(wrong).lastErrorText;
    EXPECT_NE(ReadPlantLinkStatus(wrong).state, PlantLinkState::kConnected);
    StopPlantPublisher(wrong, 2000);

    // mill-a goes on, and mill-b's cycle comes over TLS: kvdplant, never pushed off its session,
    // holds exactly mill-a's own journal and mill-b's one cycle.
    cycles(2);
    std::ofstream("cycle.json") << Cycle("mill-b", 77);
    const std::string publish = "mosquitto_pub -h 127.0.0.1 -p " + std::to_string(broker.tlsPort()) +
                                " --cafile " + broker.caFile() + " -u mill-b -P " + TestPassword("mill-b") +
                                " -q 1 -t kvd/mill-b/cycle -f cycle.json";
    ASSERT_EQ(std::system(publish.c_str()), 0);
    ASSERT_TRUE(WaitFor(20, [&] { return JournalLines("plant/mill-a/journal").size() == 5; }));
    ASSERT_TRUE(WaitFor(20, [&] { return JournalLines("plant/mill-b/journal").size() == 1; }));
    StopPlantPublisher(a, 2000);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // nothing more comes
    EXPECT_EQ(JournalLines("plant/mill-a/journal"), JournalLines("journal"));
    EXPECT_NE(JournalLines("plant/mill-b/journal")[0].find(",77,"), std::string::npos)
        << JournalLines("plant/mill-b/journal")[0];
    EXPECT_FALSE(fs::exists("plant/mill-c"));
    const std::string log = kvdplant.Log();
    EXPECT_EQ(log.find("kvdplant: connected"), log.rfind("kvdplant: connected")) << log;
    mosquitto_lib_cleanup();
}

}  // namespace
