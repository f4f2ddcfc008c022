// kvdplant's store fed messages as the broker delivers them: repeats dropped by sequence number,
// across a restart and across a stop between the journal line and the sequence file; malformed
// messages and foreign topics change nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "journal/journal_line.h"
#include "plant/plant_messages.h"
#include "plant_store.h"
#include "temp_dir.h"

namespace {

using kvdplant::Outcome;
using kvdplant::PlantStore;

constexpr int64_t kMorningMs = 1796724000000LL;  // 2026-12-08T10:00:00Z

JournalRecord Cycle(int i) {
    JournalRecord r{};
    r.time = {kMorningMs + i * 5000, 60};
    r.cut = i % 16;
    r.peak = static_cast<uint8_t>(30 + i);
    r.bluntCounter = i;
    r.breakLimit = 80;
    return r;
}

std::string Message(int i, uint64_t seq, const char* machine = "mill-1", const char* outbox = "") {
    char text[kCycleMessageMax];
    return {text, FormatCycleMessage(Cycle(i), machine, outbox, seq, text, sizeof text)};
}

std::string Journal(const char* machine) {
    std::ifstream in(std::string("plant/") + machine + "/journal/2026-12-08.csv", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Lines(std::initializer_list<int> cycles) {
    std::string text = std::string(kJournalHeader) + "\n";
    for (int i : cycles) {
        char line[kJournalLineMax];
        text.append(line, FormatJournalLine(Cycle(i), line));
    }
    return text;
}

TEST(PlantStore, DropsRepeatsBySequenceAcrossRestarts) {
    TempWorkDir dir;
    std::string problem;
    {
        PlantStore store("plant", "kvd");
        // Steps: three cycles, with a resend of the second and an old one between them.
        EXPECT_EQ(store.Take("kvd/mill-1/cycle", Message(0, 500), 1, &problem), Outcome::kStored);
        EXPECT_EQ(store.Take("kvd/mill-1/cycle", Message(1, 501), 2, &problem), Outcome::kStored);
        EXPECT_EQ(store.Take("kvd/mill-1/cycle", Message(1, 501), 3, &problem), Outcome::kRepeat);
        EXPECT_EQ(store.Take("kvd/mill-1/cycle", Message(0, 500), 4, &problem), Outcome::kRepeat);
        EXPECT_EQ(store.Take("kvd/mill-1/cycle", Message(2, 502), 5, &problem), Outcome::kStored);
        // Another machine has its own numbers and its own journal.
        EXPECT_EQ(store.Take("kvd/lathe-2/cycle", Message(2, 7, "lathe-2"), 6, &problem), Outcome::kStored);
        kvdplant::MachineView v;
        ASSERT_TRUE(store.View("mill-1", v));
        EXPECT_EQ(v.stored, 3u);
        EXPECT_EQ(v.repeats, 2u);
        EXPECT_EQ(v.gaps, 0u);
        ASSERT_EQ(v.recent.size(), 3u);
        EXPECT_EQ(v.recent.back().sequence, 502u);
        EXPECT_EQ(store.Machines(), (std::vector<std::string>{"lathe-2", "mill-1"}));
    }
    EXPECT_EQ(Journal("mill-1"), Lines({0, 1, 2}));
    EXPECT_EQ(Journal("lathe-2"), Lines({2}));

    // kvdplant stopped after a line but before its sequence file: the line is not stored twice.
    {
        PlantStore store("plant", "kvd");
        EXPECT_EQ(store.Take("kvd/mill-1/cycle", Message(2, 502), 7, &problem), Outcome::kRepeat);
        EXPECT_EQ(store.Take("kvd/mill-1/cycle", Message(3, 503), 8, &problem), Outcome::kStored);
    }
    std::ofstream("plant/mill-1/sequence") << "502\n";
    {
        PlantStore store("plant", "kvd");
        EXPECT_EQ(store.Take("kvd/mill-1/cycle", Message(3, 503), 9, &problem), Outcome::kRepeat);
        EXPECT_EQ(store.Take("kvd/mill-1/cycle", Message(4, 504), 10, &problem), Outcome::kStored);
    }
    EXPECT_EQ(Journal("mill-1"), Lines({0, 1, 2, 3, 4}));
}

TEST(PlantStore, MalformedMessagesAndForeignTopicsChangeNothing) {
    TempWorkDir dir;
    PlantStore store("plant", "kvd");
    std::string problem;
    std::string noPeak = Message(0, 1);
    noPeak.erase(noPeak.find(",\"peak\""), 10);
    std::string cut17 = Message(0, 1);
    cut17.replace(cut17.find("\"cut\":1"), 7, "\"cut\":17");
    const struct {
        const char* topic;
        std::string payload;
        Outcome outcome;
    } cases[] = {
        {"kvd/mill-1/cycle", "{not json", Outcome::kMalformed},
        {"kvd/mill-1/cycle", noPeak, Outcome::kMalformed},
        {"kvd/mill-1/cycle", cut17, Outcome::kMalformed},
        {"kvd/mill-1/cycle", Message(0, 1, "mill-9"), Outcome::kMalformed},  // another machine's body
        {"kvd/../cycle", Message(0, 1, ".."), Outcome::kIgnored},
        {"other/mill-1/cycle", Message(0, 1), Outcome::kIgnored},
        {"kvd/mill-1/cycle/x", Message(0, 1), Outcome::kIgnored},
        {"kvd/mill-1/state", "{\"online\":\"yes\"}", Outcome::kMalformed},
        // Refused by its size before it is parsed: spaces around a valid cycle.
        {"kvd/mill-1/cycle", Message(0, 1) + std::string(kvdplant::kPayloadMax, ' '), Outcome::kMalformed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(store.Take(c.topic, c.payload, 1, &problem), c.outcome) << c.payload;
    // Nothing of the machine was kept, in memory or on disk.
    kvdplant::MachineView v;
    EXPECT_FALSE(store.View("mill-1", v));
    EXPECT_FALSE(std::filesystem::exists("plant"));

    // The state as the monitor says it.
    char state[kStateMessageMax];
    const PlantState s{true, 4, true, false, true};
    const std::string text(state, FormatStateMessage(s, "mill-1", state, sizeof state));
    EXPECT_EQ(store.Take("kvd/mill-1/state", text, 2, &problem), Outcome::kState);
    ASSERT_TRUE(store.View("mill-1", v));
    EXPECT_TRUE(v.online && v.unitConnected && v.breakLamp && v.missingLamp && !v.bluntLamp);
    EXPECT_EQ(v.activeCut, 4);
    char offline[kStateMessageMax];
    EXPECT_EQ(store.Take("kvd/mill-1/state",
                         {offline, FormatOfflineMessage("mill-1", offline, sizeof offline)}, 3, &problem),
              Outcome::kState);
    ASSERT_TRUE(store.View("mill-1", v));
    EXPECT_FALSE(v.online || v.breakLamp);

    // Names with nothing but a state are kept up to a bound; a machine's cycles always are.
    for (std::size_t i = 1; i < kvdplant::kStateOnlyMax; ++i)
        EXPECT_EQ(store.Take("kvd/ghost-" + std::to_string(i) + "/state", text, 4, &problem),
                  Outcome::kState);
    EXPECT_EQ(store.Take("kvd/ghost-x/state", text, 5, &problem), Outcome::kMalformed);
    EXPECT_EQ(store.Take("kvd/lathe-2/cycle", Message(1, 9, "lathe-2"), 6, &problem), Outcome::kStored);
    EXPECT_EQ(store.Take("kvd/lathe-2/state", text, 7, &problem), Outcome::kState);
    EXPECT_EQ(store.Machines().size(), kvdplant::kStateOnlyMax + 1);
}

}  // namespace

namespace {

// Numberings as monitors make them: a resend is dropped, nothing else. The message names its
// outbox; the line in the machine's journal tells a repeat.
TEST(PlantStore, ANumberingThatStartsAgainLosesNothingAndAResendIsDropped) {
    TempWorkDir dir;
    std::string problem;
    const struct {
        const char* what;
        const char* outbox;
        uint64_t seq;
        int cycle;
        Outcome outcome;
    } steps[] = {
        {"first cycles", "00000000000000aa", 100, 0, Outcome::kStored},
        {"", "00000000000000aa", 101, 1, Outcome::kStored},
        {"a resend", "00000000000000aa", 101, 1, Outcome::kRepeat},
        {"another journal folder: its own outbox, from its clock", "00000000000000bb", 9000, 2,
         Outcome::kStored},
        {"back: numbers below the other's", "00000000000000aa", 102, 3, Outcome::kStored},
        {"anyone's huge number", "00000000000000aa", ~0ULL >> 1, 90, Outcome::kStored},
        {"not silenced by it", "00000000000000aa", 103, 4, Outcome::kStored},
        {"a position restored with its journal: old numbers", "00000000000000aa", 101, 5, Outcome::kStored},
        {"a resend under a new outbox (the position file lost)", "00000000000000cc", 7, 4, Outcome::kRepeat},
        {"a monitor of the older version", "", 104, 6, Outcome::kStored},
        {"an outbox that is no id", "../x", 105, 7, Outcome::kMalformed},
    };
    {
        PlantStore store("plant", "kvd");
        for (const auto& s : steps)
            EXPECT_EQ(
                store.Take("kvd/mill-1/cycle", Message(s.cycle, s.seq, "mill-1", s.outbox), 1, &problem),
                s.outcome)
                << s.what;
    }
    // After a restart: the last of each outbox kept, the resend still known.
    PlantStore store("plant", "kvd");
    EXPECT_EQ(store.Take("kvd/mill-1/cycle", Message(4, 103, "mill-1", "00000000000000aa"), 2, &problem),
              Outcome::kRepeat);
    EXPECT_EQ(store.Take("kvd/mill-1/cycle", Message(8, 104, "mill-1", "00000000000000aa"), 3, &problem),
              Outcome::kStored);
    EXPECT_EQ(Journal("mill-1"), Lines({0, 1, 2, 3, 90, 4, 5, 6, 8}));
}

}  // namespace
