#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <string>

#include "journal/journal_writer.h"
#include "model/results.h"
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
JournalWriter& gWriter = TestJournalWriter();
int32_t Cycle(int n) { return WriteJournalRecord(gWriter, kPlanned, "x.$$$", Nth(n)); }
std::string Lines(int from, int to) {
    std::string text;
    for (int n = from; n < to; ++n) text += Line(Nth(n));
    return text;
}

class JournalWaiting : public ::testing::Test {
protected:
    void SetUp() override { ResetJournalWriter(gWriter), gPlan.clear(), gFile.clear(), gAppends = 0; }
    void TearDown() override { SetUp(); }
};

// Scenario: every line reaches the file once and in order, whatever the file system does.
TEST_F(JournalWaiting, EveryLineOnceAndInOrderThroughFailures) {
    gPlan = {{3, 0}};  // no folder yet: it is made and the append repeated
    EXPECT_EQ(Cycle(0), 0);
    // A spreadsheet holds the day file for three cycle ends (each tries twice): the lines wait.
    gPlan.assign(6, {32, 0});
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(Cycle(n), 32);
    EXPECT_EQ(JournalLinesWaiting(gWriter), 3u);
    EXPECT_EQ(JournalWriteFailures(gWriter), 3u);
    gAppends = 0;
    EXPECT_EQ(Cycle(4), 0);  // released: the four go out in one append
    EXPECT_EQ(gAppends, 1);
    EXPECT_EQ(JournalLinesWaiting(gWriter), 0u);
    gPlan = {{5, 999}};  // a close that fails after the whole write: the line is not repeated
    EXPECT_EQ(Cycle(5), 5);
    gPlan = {{28, 20}};  // the disk fills within the line: it is cut off and comes again whole
    EXPECT_EQ(Cycle(6), 28);
    EXPECT_EQ(Cycle(7), 0);
    EXPECT_EQ(gFile, Lines(0, 8));
    // A name too long for a journal path: a failure that never touches the disk.
    ResetJournalWriter(gWriter);
    gAppends = 0;
    // It reports the system's own number for a name too long, natively as in the program.
    EXPECT_EQ(
        WriteJournalRecord(gWriter, kPlanned, (std::string(kJournalPathMax, 'a') + "/x.$$$").c_str(), Nth(0)),
        kResultNameTooLong);
    EXPECT_EQ(gAppends, 0);
}

// A day of cycles at one a second waits whole; only lines past it are lost, the oldest first.
TEST_F(JournalWaiting, ADayOfLinesWaitsAndOnlyLinesPastItAreLost) {
    const int cycles = static_cast<int>(kJournalWaitingMax) + 5;
    gPlan.assign(2 * static_cast<std::size_t>(cycles), {32, 0});
    for (int n = 0; n < cycles; ++n) ASSERT_EQ(Cycle(n % 100), 32);
    EXPECT_EQ(JournalLinesWaiting(gWriter), kJournalWaitingMax);
    EXPECT_EQ(JournalLinesLost(gWriter), 5u);
    // Released: each cycle end writes one append of at most a batch, so the backlog goes out
    // over a few hundred cycle ends, in order, and none of them writes a day's lines at once.
    gPlan.clear();
    gAppends = 0;
    EXPECT_EQ(Cycle(5), 0);  // pushes out the sixth
    EXPECT_EQ(JournalLinesWaiting(gWriter), kJournalWaitingMax - kJournalBatchLines);
    int calls = 1;
    for (; JournalLinesWaiting(gWriter) > 0 && calls < 1000; ++calls)
        ASSERT_EQ(WriteWaitingJournalLines(gWriter, kPlanned, "x.$$$"), 0);
    EXPECT_EQ(gAppends, calls);
    EXPECT_EQ(calls, static_cast<int>((kJournalWaitingMax + kJournalBatchLines - 1) / kJournalBatchLines));
    EXPECT_EQ(std::count(gFile.begin(), gFile.end(), '\n'), static_cast<long>(kJournalWaitingMax));
    EXPECT_EQ(gFile.substr(0, 2 * Line(Nth(6)).size()), Lines(6, 8));
}

// Two destinations, as kvdplant has one per machine: a line the one cannot take waits for that
// one alone and goes there, in order, once it can; the other's lines never mix with it.
std::string gBlocked;  // the folder that fails, "" for none
std::string gFiles[2];
JournalAppend AppendTo(const char* path, std::string_view lines) {
    if (!gBlocked.empty() && std::string_view(path).starts_with(gBlocked))
        return {24, 0};  // no descriptor left
    gFiles[path[0] == 'b' ? 1 : 0].append(lines);
    return {0, lines.size()};
}
TEST(JournalWriters, ALineThatCannotBeWrittenWaitsForItsOwnDestination) {
    constexpr JournalFiles kFiles{AppendTo, [](const char*) { return int32_t{0}; }};
    auto a = std::make_unique<JournalWriter>(), b = std::make_unique<JournalWriter>();
    ResetJournalWriter(*a);
    ResetJournalWriter(*b);
    gBlocked = "a/";
    EXPECT_EQ(WriteJournalRecord(*a, kFiles, "a/m.csv", Nth(0)), 24);
    EXPECT_EQ(WriteJournalRecord(*b, kFiles, "b/m.csv", Nth(1)), 0);
    EXPECT_EQ(WriteJournalRecord(*a, kFiles, "a/m.csv", Nth(2)), 24);
    EXPECT_EQ(WriteJournalRecord(*b, kFiles, "b/m.csv", Nth(3)), 0);
    EXPECT_EQ(JournalLinesWaiting(*a), 2u);
    EXPECT_EQ(JournalWriteFailures(*a), 2u);
    EXPECT_EQ(JournalWriteFailures(*b), 0u);
    gBlocked.clear();
    EXPECT_EQ(WriteWaitingJournalLines(*a, kFiles, "a/m.csv"), 0);  // no new cycle needed
    EXPECT_EQ(gFiles[0], Line(Nth(0)) + Line(Nth(2)));
    EXPECT_EQ(gFiles[1], Line(Nth(1)) + Line(Nth(3)));
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
