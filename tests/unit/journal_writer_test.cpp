#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>

#include "journal/journal_writer.h"
#include "journal_records.h"
#include "temp_dir.h"

namespace {

// A day file in memory behind a seam that fails on demand: each append takes the next planned
// outcome {error, bytes that still reach the file}, succeeding once none is left. As the
// system's append does, it first cuts an unfinished line off the end.
std::deque<std::pair<int32_t, std::size_t>> gPlan;
std::string gFile;
int gAppends = 0;

JournalAppend PlannedAppend(const char*, std::string_view lines) {
    ++gAppends;
    gFile.resize(gFile.rfind('\n') + 1);  // npos + 1 is 0
    auto [error, reaching] = gPlan.empty() ? std::pair<int32_t, std::size_t>{0, lines.size()} : gPlan.front();
    if (!gPlan.empty()) gPlan.pop_front();
    gFile.append(lines.substr(0, reaching));
    return {error, std::min(reaching, lines.size())};
}
constexpr JournalFiles kPlanned{PlannedAppend, [](const char*) { return int32_t{0}; }};

JournalRecord Nth(int n) { return Record(kNewYear2026Ms + n * 1000, 0, 0, static_cast<uint8_t>(n)); }
int32_t Cycle(int n) { return WriteJournalRecord(kPlanned, "x.$$$", Nth(n)); }
std::string Lines(int from, int to) {
    std::string text;
    for (int n = from; n < to; ++n) text += Line(Nth(n));
    return text;
}

class JournalWaiting : public ::testing::Test {
protected:
    void SetUp() override { ResetJournalWriter(), gPlan.clear(), gFile.clear(), gAppends = 0; }
    void TearDown() override { SetUp(); }
};

// Scenario: every line reaches the file once and in order, whatever the file system does.
TEST_F(JournalWaiting, EveryLineOnceAndInOrderThroughFailures) {
    gPlan = {{3, 0}};  // no folder yet: it is made and the append repeated
    EXPECT_EQ(Cycle(0), 0);
    // A spreadsheet holds the day file for three cycle ends (each tries twice): the lines wait.
    gPlan.assign(6, {32, 0});
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(Cycle(n), 32);
    EXPECT_EQ(JournalLinesWaiting(), 3u);
    EXPECT_EQ(JournalWriteFailures(), 3u);
    gAppends = 0;
    EXPECT_EQ(Cycle(4), 0);  // released: the four go out in one append
    EXPECT_EQ(gAppends, 1);
    EXPECT_EQ(JournalLinesWaiting(), 0u);
    gPlan = {{5, 999}};  // a close that fails after the whole write: the line is not repeated
    EXPECT_EQ(Cycle(5), 5);
    gPlan = {{28, 20}};  // the disk fills within the line: it is cut off and comes again whole
    EXPECT_EQ(Cycle(6), 28);
    EXPECT_EQ(Cycle(7), 0);
    EXPECT_EQ(gFile, Lines(0, 8));
    // A name too long for a journal path: a failure that never touches the disk.
    ResetJournalWriter();
    gAppends = 0;
    EXPECT_NE(WriteJournalRecord(kPlanned, (std::string(kJournalPathMax, 'a') + "/x.$$$").c_str(), Nth(0)),
              0);
    EXPECT_EQ(gAppends, 0);
}

// A day of cycles at one a second waits whole; only lines past it are lost, the oldest first.
TEST_F(JournalWaiting, ADayOfLinesWaitsAndOnlyLinesPastItAreLost) {
    const int cycles = static_cast<int>(kJournalWaitingMax) + 5;
    gPlan.assign(2 * static_cast<std::size_t>(cycles), {32, 0});
    for (int n = 0; n < cycles; ++n) ASSERT_EQ(Cycle(n % 100), 32);
    EXPECT_EQ(JournalLinesWaiting(), kJournalWaitingMax);
    EXPECT_EQ(JournalLinesLost(), 5u);
    gPlan.clear();
    EXPECT_EQ(Cycle(5), 0);  // pushes out the sixth
    EXPECT_EQ(std::count(gFile.begin(), gFile.end(), '\n'), static_cast<long>(kJournalWaitingMax));
    EXPECT_EQ(gFile.substr(0, 2 * Line(Nth(6)).size()), Lines(6, 8));
}

// The system's append against the ends a day file may have: each new line stands on its own.
TEST(JournalFileTail, TheNextLineStandsOnALineOfItsOwnWhateverTheEnd) {
    TempWorkDir dir;
    const std::string header = std::string(kJournalHeader) + "\n", line = Line(Nth(1)),
                      old = header + Line(Nth(0));
    const std::string garbage(250, 'x');
    const std::pair<std::string, std::string> cases[] = {
        {"", header + line},
        {old, old + line},
        {old + line.substr(0, 30), old + line},        // a line cut short by a kill
        {old + std::string(300, '\0'), old + line},    // zeros after a power loss
        {std::string(5000, '\0'), header + line},      // zeros alone
        {old + garbage, old + garbage + "\n" + line},  // longer than any line: kept
    };
    for (const auto& [before, after] : cases) {
        WriteAll("day.csv", {before.begin(), before.end()});
        const JournalAppend a = AppendJournalFile("day.csv", line);
        EXPECT_EQ(a.error, 0);
        EXPECT_EQ(a.written, line.size());
        const auto bytes = ReadAll("day.csv");
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), after) << before.size();
    }
}

}  // namespace
