// What the unit does with the frames the monitor sends: command words, code 47, bad lines.
#include <gtest/gtest.h>

#include <cstring>

#include "sim_driver.h"

namespace kvdsim {
namespace {

using namespace test;

class Commands : public ::testing::Test {
protected:
    Commands() : sim(SimConfig{}) {
        sim.SetSinks(log.Sink(), nullptr, nullptr);
        RunTicks(sim, 300);  // the reports sent after start are out of the way
    }
    // Values sent during the next ticks.
    std::vector<uint16_t> Next(int ticks) { return Decode(RunTicks(sim, ticks)).values; }

    UnitSimulator sim;
    Lines log;
};

TEST_F(Commands, WorkedExampleIsAppliedLoggedAndReportedBack) {
    Send(sim, WordFrame(8508));  // cut 2, Break Limit 60
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "word 8508 cut 2 param breakLimit value 60 applied");
    EXPECT_EQ(sim.Parameters().cuts[2].breakLimit, 60);
    EXPECT_EQ(sim.Parameters().cuts[1].breakLimit, 50);
    EXPECT_TRUE(Contains(Next(2), 8508));  // reported at once, before any slow report
}

// Every parameter at the top of its range: applied, and reported back with the same word.
TEST_F(Commands, EveryParameterAcceptsItsWholeRange) {
    for (int i = 0; i < kParameterCount; ++i) {
        const BaseCode& info = kBaseCodes[i];
        const int cut = 5;
        const uint16_t word = MakeCommandWord(cut, i, info.maxValue);
        Send(sim, WordFrame(word));
        EXPECT_EQ(ParameterValue(sim.Parameters(), cut, i), info.maxValue) << ParameterName(i);
        EXPECT_TRUE(Contains(Next(3), word)) << ParameterName(i);
        EXPECT_EQ(log.lines.back(), "word " + std::to_string(word) + " cut 5 param " + ParameterName(i) +
                                        " value " + std::to_string(info.maxValue) + " applied");
    }
    // A common word sent with cut 5 applies to every cut.
    EXPECT_EQ(sim.Parameters().common.poSamples, 25);
}

TEST_F(Commands, WordsNamingNoParameterAreIgnored) {
    const UnitParameters before = sim.Parameters();
    struct Case {
        uint16_t word;
        const char* logged;
    };
    const Case cases[] = {
        {0x0D59, "word 3417 cut 0 code 3417 ignored"},    // just above unitOptions' range
        {0xFFFF, "word 65535 cut 15 code 4095 ignored"},  // highest code
        {0x3064, "word 12388 cut 3 code 100 ignored"},    // below the first base code
    };
    for (const Case& c : cases) {
        Send(sim, WordFrame(c.word));
        EXPECT_EQ(log.lines.back(), c.logged);
        EXPECT_FALSE(Contains(Next(5), c.word));
    }
    EXPECT_EQ(std::memcmp(&before, &sim.Parameters(), sizeof before), 0);
}

TEST_F(Commands, Code47IsAnsweredWithEveryParameterOfEveryCut) {
    Send(sim, WordFrame(MakeCommandWord(7, 14, 3)));  // cut 7 Ta 0.3 s, so a non-default report
    Send(sim, CodeFrame(47));
    EXPECT_EQ(log.lines.back(), "code 47");
    const std::vector<uint16_t> sent = Next(300);
    // All 16 x 18 + 7 reports, in order, between the samples and the slow rolling reports.
    const std::vector<uint16_t> expected = AllParameterReports(sim.Parameters());
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(kAllReportCount));
    std::size_t found = 0;
    for (uint16_t v : sent)
        if (found < expected.size() && v == expected[found]) ++found;
    EXPECT_EQ(found, expected.size());
    EXPECT_TRUE(Contains(expected, MakeCommandWord(7, 14, 3)));
}

TEST_F(Commands, LinesAreAssembledAsTheMonitorDoes) {
    // A frame that arrives a byte at a time is decoded once, at its CR.
    for (uint8_t b : CodeFrame(205)) sim.Receive(&b, 1);
    // A bad checksum, a CR alone, and a 9-byte line judged on its first 7 bytes.
    const std::vector<uint8_t> bad = {0x21, 0xF1, 0x13, 0x0D, 0x0D};
    Send(sim, bad);
    const std::vector<uint8_t> tooLong = {0x21, 0xF1, 0x12, 0x0D};
    std::vector<uint8_t> nine = {1, 1, 1, 1, 1, 1, 6, 9, 9, 0x0D};
    Send(sim, nine);
    Send(sim, tooLong);
    const std::vector<std::string> expected = {"code 205", "invalid 33-241-19", "invalid (empty line)",
                                               "code 0", "code 47"};
    EXPECT_EQ(log.lines, expected);
}

}  // namespace
}  // namespace kvdsim
