// kvdsim's command line and scenario syntax.
#include <gtest/gtest.h>

#include <vector>

#include "options.h"

namespace kvdsim {
namespace {

bool Parse(std::vector<const char*> args, Options& out, std::string& error) {
    args.insert(args.begin(), "kvdsim");
    return ParseOptions(static_cast<int>(args.size()), args.data(), out, error);
}

TEST(Options, EveryOptionReachesItsField) {
    Options o;
    std::string error;
    ASSERT_TRUE(Parse({"--link",         "/tmp/x", "--params",     "p.kvd",     "--cuts",
                       "1,16,3",         "--rate", "200",          "--speed",   "20",
                       "--cycles",       "7",      "--exit-after", "--idle-ms", "0",
                       "--machining-ms", "900",    "--scenario",   "break:3",   "--scenario",
                       "noise:0.25",     "--seed", "42",           "--log",     "l.txt",
                       "--events",       "e.txt",  "--wait-peer",  "--verbose"},
                      o, error))
        << error;
    EXPECT_EQ(o.linkPath, "/tmp/x");
    EXPECT_EQ(o.paramsFile, "p.kvd");
    EXPECT_EQ(o.sim.cuts, (std::vector<int>{0, 15, 2}));
    EXPECT_EQ(o.sim.rate, 200);
    EXPECT_EQ(o.sim.speed, 20.0);
    EXPECT_EQ(o.sim.cycles, 7);
    EXPECT_TRUE(o.exitAfter && o.waitPeer && o.verbose);
    EXPECT_EQ(o.sim.idleMs, 0);
    EXPECT_EQ(o.sim.machiningMs, 900);
    ASSERT_EQ(o.sim.scenarios.size(), 2u);
    EXPECT_EQ(o.sim.scenarios[1].noisePpm, 250000u);
    EXPECT_EQ(o.sim.seed, 42u);
    EXPECT_EQ(o.logFile, "l.txt");
    EXPECT_EQ(o.eventsFile, "e.txt");
}

TEST(Options, BadCommandLinesAreRefusedWithAReason) {
    const std::vector<std::vector<const char*>> cases = {
        {"--cuts", "0"},    {"--cuts", "1,,2"},
        {"--cuts", "17"},   {"--rate", "5"},
        {"--rate", "12x"},  {"--speed", "0.1"},
        {"--speed", "nan"}, {"--cycles", "0"},
        {"--exit-after"},   {"--link", "a", "--tty", "b"},
        {"--seed", "-1"},   {"--scenario", "boom:1"},
        {"--bogus"},        {"--log"},
    };
    for (const auto& args : cases) {
        Options o;
        std::string error;
        EXPECT_FALSE(Parse(args, o, error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

TEST(Scenarios, Syntax) {
    struct Case {
        const char* text;
        ScenarioKind kind;
        long cycle;
        int step;
        long cycles;
        int silenceMs;
        uint32_t ppm;
    };
    const Case cases[] = {
        {"break:3", ScenarioKind::Break, 3, 5, 0, 0, 0},
        {"blunt:2", ScenarioKind::Blunt, 2, 5, 0, 0, 0},
        {"blunt:2:8", ScenarioKind::Blunt, 2, 8, 0, 0, 0},
        {"wear:3:4", ScenarioKind::Wear, 3, 5, 0, 0, 0},
        {"missing:4", ScenarioKind::Missing, 4, 5, 0, 0, 0},
        {"missing:4:2", ScenarioKind::Missing, 4, 5, 2, 0, 0},
        {"silence:2:1.5", ScenarioKind::Silence, 2, 5, 0, 1500, 0},
        {"noise:0.01", ScenarioKind::Noise, 1, 5, 0, 0, 10000},
        {"err1:6", ScenarioKind::Error1, 6, 5, 0, 0, 0},
        {"relays:1", ScenarioKind::Relays, 1, 5, 0, 0, 0},
    };
    const char* const bad[] = {"break:0",   "break",   "break:2:1",   "blunt:1:0", "silence:2", "silence:2:0",
                               "noise:1.5", "noise:x", "missing:1:0", "wear:3",    "wear:3:0",  ""};
    for (const char* text : bad) {
        Scenario s{};
        std::string error;
        EXPECT_FALSE(ParseScenario(text, s, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    for (const Case& c : cases) {
        Scenario s{};
        std::string error;
        ASSERT_TRUE(ParseScenario(c.text, s, error)) << c.text;
        EXPECT_EQ(s.kind, c.kind) << c.text;
        EXPECT_EQ(s.cycle, c.cycle) << c.text;
        EXPECT_EQ(s.step, c.step) << c.text;
        EXPECT_EQ(s.cycles, c.cycles) << c.text;
        EXPECT_EQ(s.silenceMs, c.silenceMs) << c.text;
        EXPECT_EQ(s.noisePpm, c.ppm) << c.text;
    }
    // wear:3:4: nothing before cycle 3, then 1 % for every 4 cycles from there, at most 100 %.
    Scenario wear{};
    std::string error;
    ASSERT_TRUE(ParseScenario("wear:3:4", wear, error));
    const int rises[][2] = {{2, 0}, {5, 0}, {6, 1}, {10, 2}, {1000, 100}};
    for (const auto& [cycle, rise] : rises) EXPECT_EQ(FaultsOfCycle({wear}, cycle).bluntRise, rise) << cycle;
}

}  // namespace
}  // namespace kvdsim
