// The collector under faults of the journals, against a real mosquitto and the real kvdplant,
// with monitors' publishers in this process: each scenario counts the cycles each machine
// published and the lines kvdplant stored for it, and afterwards every machine's journal holds
// each of its cycles once, in order, and nothing of another machine.
#include <gtest/gtest.h>
#include <mosquitto.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
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

// A monitor: its statistics file's folder holds its journal, its publisher sends it.
struct Monitor {
    std::string machine;
    std::unique_ptr<JournalWriter> writer{new JournalWriter};
    PlantPublisher* publisher = nullptr;
    std::string statistics;
    int cycles = 0;
    uint64_t published = 0;  // by the publishers stopped before

    Monitor(std::string name) : machine(std::move(name)) { ResetJournalWriter(*writer); }
    ~Monitor() { Stop(); }
    void Start(uint16_t port, const std::string& folder) {
        fs::create_directories(folder + "/journal");
        statistics = folder + "/Default.$$$";
        PlantSettings s{};
        char message[kPlantMessageMax];
        const std::string p = std::to_string(port);
        const std::string password = TestPassword(machine);  // signed in as its machine
        ASSERT_TRUE(ParsePlantSettings({"1", "127.0.0.1", p.c_str(), machine.c_str(), nullptr, nullptr,
                                        machine.c_str(), password.c_str()},
                                       "pc", s, message, sizeof message));
        publisher = StartPlantPublisher(DefaultPublisherSetup(s, (folder + "/journal").c_str()));
        ASSERT_NE(publisher, nullptr);
        // Connected, its outbox made: cycles from now on are the link's.
        WaitFor(20, [&] { return ReadPlantLinkStatus(publisher).state == PlantLinkState::kConnected; });
        ASSERT_EQ(ReadPlantLinkStatus(publisher).state, PlantLinkState::kConnected);
    }
    void Stop() {
        // kvdplant may store a cycle before its PUBACK reaches the publisher (the broker routes it
        // first): the count is read a moment later.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (publisher != nullptr) published += ReadPlantLinkStatus(publisher).published;
        StopPlantPublisher(publisher, 2000);
        publisher = nullptr;
    }
    void Cycles(int n) {
        for (int i = 0; i < n; ++i, ++cycles) {
            JournalRecord r{};
            r.time = JournalNow();
            r.time.unixMs += cycles;  // distinct even within one millisecond
            r.cut = cycles % 16;
            r.peak = static_cast<uint8_t>(cycles % 200);
            r.bluntCounter = cycles;
            r.missingCounter = static_cast<int32_t>(machine.back());  // whose cycle it is
            ASSERT_EQ(WriteJournalRecord(*writer, SystemJournalFiles(), statistics.c_str(), r), 0);
        }
        NudgePlantPublisher(publisher);
    }
    uint64_t Published() const {
        return published + (publisher ? ReadPlantLinkStatus(publisher).published : 0);
    }
};

// Waits up to 20 s for kvdplant to hold `n` lines of the machine.
bool WaitStored(const fs::path& plant, const std::string& machine, std::size_t n) {
    return WaitFor(20, [&] { return JournalLines(plant / machine / "journal").size() >= n; });
}

void Report(const char* scenario, const Monitor& m, const fs::path& plant) {
    std::printf("%s: %s published %llu stored %zu\n", scenario, m.machine.c_str(),
                static_cast<unsigned long long>(m.Published()),
                JournalLines(plant / m.machine / "journal").size());
}

// One machine's folder cannot be written (its journal folder is a file: no one may write there,
// whoever runs the test): its cycles wait in kvdplant for that machine alone, are told in the log
// by its name, and reach its journal in order once the folder can be made; the others run on.
TEST(PlantJournalFaults, ABlockedFolderHoldsOneMachinesCyclesForItAlone) {
    TempWorkDir dir;
    Broker broker(dir.path());
    ASSERT_TRUE(broker.Start());
    fs::create_directories("plant/mill-2");
    std::ofstream("plant/mill-2/journal") << "in the way\n";
    Collector collector(dir.path() / "plant", broker.port(), "--listen off");
    ASSERT_TRUE(collector.Start());
    ASSERT_TRUE(collector.WaitConnected());
    std::vector<std::unique_ptr<Monitor>> monitors;
    for (const char* name : {"mill-1", "mill-2", "mill-3"}) {
        monitors.push_back(std::make_unique<Monitor>(name));
        monitors.back()->Start(broker.port(), std::string("pc-") + name);
    }
    for (int round = 0; round < 5; ++round)
        for (auto& m : monitors) m->Cycles(1);
    ASSERT_TRUE(WaitStored("plant", "mill-1", 5));
    ASSERT_TRUE(WaitStored("plant", "mill-3", 5));
    // Their lines wait in kvdplant, so no receipt came: the monitor still holds them as its own.
    WaitFor(2, [&] { return monitors[1]->Published() > 0; });
    EXPECT_EQ(monitors[1]->Published(), 0u);
    EXPECT_EQ(monitors[0]->Published(), 5u);
    EXPECT_TRUE(JournalLines("plant/mill-2/journal").empty());
    EXPECT_NE(collector.Log().find("mill-2: the journal line cannot be written"), std::string::npos);
    for (auto& m : monitors) Report("blocked folder", *m, "plant");

    fs::remove("plant/mill-2/journal");  // the folder can be made again
    ASSERT_TRUE(WaitStored("plant", "mill-2", 5));
    // Written, they are receipted, though mill-2 sent nothing more.
    EXPECT_TRUE(WaitFor(5, [&] { return monitors[1]->Published() == 5; }));
    for (auto& m : monitors) m->Cycles(3);
    for (auto& m : monitors) ASSERT_TRUE(WaitStored("plant", m->machine, 8));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // nothing more comes
    for (auto& m : monitors) {
        Report("blocked folder, released", *m, "plant");
        EXPECT_EQ(JournalLines("plant/" + m->machine + "/journal"),
                  JournalLines("pc-" + m->machine + "/journal"))
            << m->machine;
    }
    EXPECT_NE(collector.Log().find("mill-2: the waiting journal lines are written, 0 lost"),
              std::string::npos);
}

// A valid cycle with a huge number, as anyone on the broker can publish.
void PublishHostile(uint16_t port) {
    mosquitto* m = mosquitto_new("hostile", true, nullptr);
    mosquitto_username_pw_set(m, "hostile", TestPassword("hostile").c_str());
    ASSERT_EQ(mosquitto_connect(m, "127.0.0.1", port, 10), MOSQ_ERR_SUCCESS);
    JournalRecord r{};
    r.time = JournalNow();
    r.peak = 250;
    char text[kCycleMessageMax];
    const std::size_t n = FormatCycleMessage(r, "mill-1", "", ~0ULL >> 1, text, sizeof text);
    int mid = 0;
    ASSERT_EQ(mosquitto_publish(m, &mid, "kvd/mill-1/cycle", static_cast<int>(n), text, 1, false),
              MOSQ_ERR_SUCCESS);
    for (int i = 0; i < 20; ++i) mosquitto_loop(m, 50, 1);
    mosquitto_disconnect(m);
    mosquitto_destroy(m);
}

// The numbering starts again: the statistics file moved to another folder and back (each
// journal folder its own outbox, numbered from its own clock), then the position file restored
// from a backup (resends of cycles kvdplant holds), then anyone's huge number: every cycle is
// stored once, and none is dropped.
TEST(PlantJournalFaults, ANumberingThatStartsAgainStoresEveryCycleOnce) {
    TempWorkDir dir;
    Broker broker(dir.path());
    ASSERT_TRUE(broker.Start());
    mosquitto_lib_init();
    Collector collector(dir.path() / "plant", broker.port(), "--listen off");
    ASSERT_TRUE(collector.Start());
    ASSERT_TRUE(collector.WaitConnected());
    Monitor m("mill-1");
    // Each run ends once kvdplant stored its cycles and the monitor had their receipts.
    const auto run = [&](const char* folder, int cycles, std::size_t storedAfter, uint64_t publishedAfter) {
        m.Start(broker.port(), folder);
        m.Cycles(cycles);
        ASSERT_TRUE(WaitStored("plant", "mill-1", storedAfter)) << folder;
        ASSERT_TRUE(WaitFor(10, [&] { return m.Published() >= publishedAfter; })) << folder;
        m.Stop();
        Report(folder, m, "plant");
    };
    run("a", 3, 3, 3);
    fs::copy_file("a/journal/plant.pos", "plant.pos.backup");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // b's clock-made numbers are higher
    run("b", 3, 6, 6);
    run("a", 3, 9, 9);  // back: a's numbers are below b's
    fs::copy_file("plant.pos.backup", "a/journal/plant.pos", fs::copy_options::overwrite_existing);
    run("a", 3, 12, 15);  // three resends, three new cycles
    PublishHostile(broker.port());
    ASSERT_TRUE(WaitStored("plant", "mill-1", 13));
    run("a", 3, 16, 18);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::vector<std::string> stored = JournalLines("plant/mill-1/journal"), sent = JournalLines("a/journal");
    for (const std::string& line : JournalLines("b/journal")) sent.push_back(line);
    EXPECT_EQ(stored.size(), 16u);
    EXPECT_EQ(std::set<std::string>(stored.begin(), stored.end()).size(), stored.size());  // each once
    for (const std::string& line : sent)
        EXPECT_NE(std::find(stored.begin(), stored.end(), line), stored.end()) << line;
    EXPECT_EQ(m.Published(), 18u);  // the resends went again and were dropped
    mosquitto_lib_cleanup();
}

}  // namespace
