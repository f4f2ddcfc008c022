#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "files/config.h"
#include "link/connection.h"
#include "model/change_bits.h"
#include "model/model.h"
#include "interpreter_support.h"
#include "model/parameters.h"
#include "services_reset.h"

namespace {

// A scripted platform: which ports exist, which answer, and a log of everything done.
struct FakePorts {
    std::set<int> present;
    std::set<int> answering;
    int open = 0;
    int saves = 0;
    int32_t saveResult = 0;
    int32_t openError = 2;  // what a port that is not present fails with (the system's number)
    std::vector<std::string> log;
};
FakePorts* fake = nullptr;

class PortRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake = &ports;
        PresetConfiguration(TestConfig());
        TestLink().port = {1, false, false};
        TestLink().portService.openLink = [](void*, int p) {
            fake->log.push_back("open " + std::to_string(p));
            EXPECT_EQ(fake->open, 0) << "a link was opened over another";
            if (!fake->present.count(p)) return fake->openError;
            fake->open = p;
            return int32_t{0};
        };
        TestLink().portService.closeLink = [](void*) {
            fake->log.push_back("close " + std::to_string(fake->open));
            fake->open = 0;
        };
        TestLink().portService.resetAnswer = [](void*) {};
        TestLink().portService.waitAnswer = [](void*, unsigned ms) {
            EXPECT_EQ(ms, 2000u);
            return fake->answering.count(fake->open) > 0;
        };
        TestLink().userService.moveCheckMark = [](void*, int from, int to) {
            fake->log.push_back("check " + std::to_string(from) + "->" + std::to_string(to));
        };
        TestLink().userService.showMessage = [](void*, TextId m, TextId c, int32_t n) {
            fake->log.push_back("message " + std::to_string(m) + "/" + std::to_string(c) + "/" +
                                std::to_string(n));
        };
        TestLink().userService.waitCursor = [](void*, bool on) {
            fake->log.push_back(on ? "wait" : "arrow");
        };
        TestLink().storageService.saveConfiguration = [](void*) {
            ++fake->saves;
            return fake->saveResult;
        };
    }
    void TearDown() override {
        ResetServices();
        fake = nullptr;
    }
    FakePorts ports;
};

TEST_F(PortRulesTest, StartOpensTheConfiguredPortOrSetsTheMarker) {
    ports.present = {3};
    TestConfig().PortNumber = 13;  // COM 3 that failed last time: the marker is removed first
    OpenPortAtStart(TestLink());
    EXPECT_EQ(ports.open, 3);
    EXPECT_EQ(TestConfig().PortNumber, 3);
    EXPECT_EQ(ports.saves, 0);

    ports.open = 0;
    TestConfig().PortNumber = 5;
    OpenPortAtStart(TestLink());
    EXPECT_EQ(TestConfig().PortNumber, 15);
    EXPECT_TRUE(TestLink().port.failed);
    EXPECT_EQ(ports.log.back(), "message 114/8/2");  // the system's error reaches the user
    EXPECT_EQ(ports.saves, 0);                       // the file is not written at start
}

TEST_F(PortRulesTest, ChoosingTheOpenPortDoesNothingButAFailedOneIsTriedAgain) {
    ports.present = {5};
    TestConfig().PortNumber = 5;
    OpenPortAtStart(TestLink());
    ports.log.clear();
    ChoosePort(TestLink(), 5);
    EXPECT_TRUE(ports.log.empty());

    ports.present = {};
    ports.openError = 5;        // the port is held by another program
    ChoosePort(TestLink(), 7);  // fails: check stays on 7, marker set, file not written
    EXPECT_EQ(ports.log.back(), "message 114/8/5");
    EXPECT_EQ(TestConfig().PortNumber, 17);
    EXPECT_EQ(ports.saves, 0);
    ports.present = {7};
    ports.log.clear();
    ChoosePort(TestLink(), 7);  // tried again, no close because nothing is open
    EXPECT_EQ(ports.log, (std::vector<std::string>{"check 7->7", "open 7"}));
    EXPECT_EQ(TestConfig().PortNumber, 7);
    EXPECT_EQ(ports.saves, 1);
}

TEST_F(PortRulesTest, FailedSaveAfterAChoiceIsReportedAndTheLinkStays) {
    ports.present = {1, 2};
    OpenPortAtStart(TestLink());
    ports.saveResult = 5;
    ChoosePort(TestLink(), 2);
    EXPECT_EQ(ports.open, 2);
    EXPECT_EQ(ports.log.back(), "message 111/53/5");
}

TEST_F(PortRulesTest, HighPortsSurviveARestart) {
    ports.present = {12};
    ChoosePort(TestLink(), 12);
    EXPECT_EQ(ports.open, 12);
    EXPECT_FALSE(TestLink().port.failed);
    const uint16_t stored = TestConfig().PortNumber;
    EXPECT_EQ(stored, 22);
    // Next start reads it back as COM 12, not as COM 2 that failed.
    ports.open = 0;
    TestLink().port = {1, false, false};
    OpenPortAtStart(TestLink());
    EXPECT_EQ(ports.open, 12);
    // Ports 1..10 keep the stored rule.
    EXPECT_EQ(EncodePortNumber(10, false), 10);
    EXPECT_EQ(EncodePortNumber(10, true), 20);
    EXPECT_EQ(DecodePortNumber(20), 10);
    EXPECT_EQ(DecodePortNumber(26), 16);
}

// Scenario: the unit is on COM 7 while COM 3 is open.
TEST_F(PortRulesTest, ScanClosesTheOpenPortAndFindsTheAnsweringOne) {
    ports.present = {2, 3, 5, 7, 9};
    ports.answering = {7};
    TestConfig().PortNumber = 3;
    OpenPortAtStart(TestLink());
    ports.log.clear();
    ScanPorts(TestLink());
    const std::vector<std::string> expected = {"wait",   "close 3", "open 1", "open 2",    "close 2",
                                               "open 3", "close 3", "open 4", "open 5",    "close 5",
                                               "open 6", "open 7",  "arrow",  "check 3->7"};
    EXPECT_EQ(ports.log, expected);
    EXPECT_EQ(ports.open, 7);
    EXPECT_EQ(TestConfig().PortNumber, 7);
    EXPECT_EQ(ports.saves, 1);
}

TEST_F(PortRulesTest, ScanWithoutAUnitReopensThePreviousPort) {
    ports.present = {10};
    TestConfig().PortNumber = 10;
    OpenPortAtStart(TestLink());
    ScanPorts(TestLink());
    EXPECT_EQ(ports.open, 10);
    EXPECT_EQ(TestConfig().PortNumber, 10);
    EXPECT_EQ(ports.log.back(), "message 125/8/0");
    EXPECT_EQ(ports.saves, 0);
}

// Scenario: the adapter is pulled while the link is open and put back three seconds later.
TEST_F(PortRulesTest, LostPortIsClosedAndOpenedAgainAboutOnceASecond) {
    static bool lost = false;
    TestLink().portService.portLost = [](void*) { return lost && fake->open != 0; };
    ports.present = {4};
    TestConfig().PortNumber = 4;
    OpenPortAtStart(TestLink());
    ports.log.clear();

    // Reads fail for a second: the next tick closes the link, quietly.
    lost = true;
    ports.present = {};
    WatchPort(TestLink());
    EXPECT_EQ(ports.log, std::vector<std::string>{"close 4"});
    EXPECT_TRUE(TestLink().port.lost);

    // One attempt per kReopenTicks ticks while the port is missing; no message, no check mark
    // moved, the configuration untouched (the port is still the chosen one).
    for (int tick = 0; tick < 3 * kReopenTicks; ++tick) WatchPort(TestLink());
    EXPECT_EQ(ports.log, (std::vector<std::string>{"close 4", "open 4", "open 4", "open 4"}));

    // Back: the next attempt opens it, and the link stays open from then on.
    lost = false;
    ports.present = {4};
    for (int tick = 0; tick < 2 * kReopenTicks; ++tick) WatchPort(TestLink());
    EXPECT_EQ(ports.open, 4);
    EXPECT_FALSE(TestLink().port.lost);
    EXPECT_EQ(ports.log.size(), 5u);
    EXPECT_EQ(TestConfig().PortNumber, 4);
    EXPECT_EQ(ports.saves, 0);

    // A port that never opened is not a lost one: nothing is tried behind the user's back.
    lost = true;
    TestLink().port = {4, true, false};
    ports.open = 0;
    ports.log.clear();
    for (int tick = 0; tick < 2 * kReopenTicks; ++tick) WatchPort(TestLink());
    EXPECT_TRUE(ports.log.empty());
}

// The defaults go in before the port opens: a report the unit sends the moment the port opens
// must stay, not be overwritten by the defaults (which also kept the table wrong until the
// unit's next report).
TEST_F(PortRulesTest, ParameterDefaultsAreWrittenBeforeThePortOpens) {
    ResetModel(TestModel(), TestStatistics());  // no defaults yet: every word 0
    ResetInterpreter(TestLink());
    ports.present = {1};
    static uint16_t breakLimitAtOpen = 0;
    TestLink().portService.openLink = [](void*, int p) {
        breakLimitAtOpen = TestModel().cutParameters[2].breakLimit;
        // The unit reports cut 3's Break Limit as 44 at once.
        Send({Report(2, kBaseCodes[0].base, 44)});
        fake->open = p;
        return int32_t{0};
    };
    OpenPortAtStart(TestLink());
    EXPECT_EQ(breakLimitAtOpen, 50);                          // defaults were in place
    EXPECT_EQ(TestModel().cutParameters[2].breakLimit, 44);   // the report survived
    EXPECT_EQ(TestModel().cutParameters[0].bluntDelay, 100);  // the other defaults are there
    EXPECT_EQ(TestModel().common.average, 4);
}

TEST(WatchConnectionTest, LostAfterTenSilentTicksBackAfterAFrame) {
    ResetModel(TestModel(), TestStatistics());
    (void)TakeChanges(TestModel().changes);
    TestModel().cycle.lastSample = 40;
    TestModel().alarms.AlarmBits = 3;
    WatchConnection(TestLink());  // the first tick clears NotConnected and the alarms
    EXPECT_EQ(TestModel().connection.NotConnected, 0);
    EXPECT_EQ(TestModel().alarms.AlarmBits, 0);
    EXPECT_EQ(TakeChanges(TestModel().changes).events, kChangeAlarmLamps);
    for (int t = 2; t < 10; ++t) WatchConnection(TestLink());
    EXPECT_EQ(TestModel().connection.NotConnected, 0);
    EXPECT_EQ(TakeChanges(TestModel().changes).events, 0u);  // silence below the limit changes no lamp
    WatchConnection(TestLink());                             // tenth silent tick
    EXPECT_EQ(TestModel().connection.NotConnected, 1);
    EXPECT_EQ(TestModel().cycle.lastSample, 0);
    EXPECT_EQ(TestModel().connection.SilenceTicks, 10);
    EXPECT_EQ(TakeChanges(TestModel().changes).events, kChangeAlarmLamps);
    WatchConnection(TestLink());
    EXPECT_EQ(TestModel().connection.SilenceTicks, 10);
    EXPECT_EQ(TakeChanges(TestModel().changes).events, 0u);
    TestModel().connection.SilenceTicks = 0;  // a valid frame arrived
    WatchConnection(TestLink());
    EXPECT_EQ(TestModel().connection.NotConnected, 0);
    EXPECT_EQ(TakeChanges(TestModel().changes).events, kChangeAlarmLamps);
}

TEST(KeyRuleTest, OneActionPerPress) {
    ResetKeyState(TestLink());
    EXPECT_EQ(HandleKeyDown(TestLink(), kKeySpace), KeyAction::kSendAcknowledge);
    EXPECT_EQ(HandleKeyDown(TestLink(), kKeySpace), KeyAction::kNone);  // auto-repeat while held
    EXPECT_EQ(HandleKeyDown(TestLink(), kKeyPause), KeyAction::kNone);  // second key while the first is held
    HandleKeyUp(TestLink());
    EXPECT_EQ(HandleKeyDown(TestLink(), kKeyPause), KeyAction::kToggleFreeze);
    HandleKeyUp(TestLink());
    EXPECT_EQ(HandleKeyDown(TestLink(), 'A'), KeyAction::kNone);
    EXPECT_EQ(HandleKeyDown(TestLink(), kKeySpace), KeyAction::kNone);  // 'A' is still held
    HandleKeyUp(TestLink());
}

}  // namespace
