#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <string>

#include "journal/journal_file.h"
#include "journal/journal_line.h"
#include "journal/journal_writer.h"
#include "journal_records.h"
#include "temp_dir.h"

namespace {

// A day file in memory behind a seam that fails on demand: each append takes the next planned
// outcome (an error, and how many bytes still reach the file); with no plan left it succeeds.
// Like the system's append it first cuts an unfinished line off the file's end.
struct Planned {
    int32_t error;
    std::size_t reaching;
};
std::deque<Planned> gPlan;
std::string gFile;
int gAppends = 0, gFolders = 0;

JournalAppend PlannedAppend(const char*, std::string_view lines) {
    ++gAppends;
    gFile.resize(gFile.rfind('\n') == std::string::npos ? 0 : gFile.rfind('\n') + 1);
    Planned p{0, lines.size()};
    if (!gPlan.empty()) {
        p = gPlan.front();
        gPlan.pop_front();
    }
    const std::size_t n = std::min(p.reaching, lines.size());
    gFile.append(lines.substr(0, n));
    return {p.error, n};
}
int32_t CountedFolder(const char*) { return ++gFolders, 0; }

class JournalWaiting : public ::testing::Test {
protected:
    void SetUp() override { Clear(); }
    void TearDown() override { Clear(); }
    static void Clear() {
        ResetJournalWriter();
        gPlan.clear();
        gFile.clear();
        gAppends = gFolders = 0;
    }
    static JournalRecord Nth(int n) { return Record(kNewYear2026Ms + n * 1000, 0, 0, static_cast<uint8_t>(n)); }
    static int32_t Cycle(int n) { return WriteJournalRecord(files, "x.$$$", Nth(n)); }
    // The lines of the first `count` cycles.
    static std::string Lines(int count) {
        std::string text;
        for (int n = 0; n < count; ++n) text += Line(Nth(n));
        return text;
    }
    static constexpr JournalFiles files{PlannedAppend, CountedFolder};
};

// Scenario: every line reaches the file once and in order, whatever the file system does.
TEST_F(JournalWaiting, EveryLineOnceAndInOrderThroughFailures) {
    // The first cycle beside this statistics file: no folder yet; it is made, the append repeated.
    gPlan = {{3, 0}};
    EXPECT_EQ(Cycle(0), 0);
    EXPECT_EQ(gFolders, 1);
    // A spreadsheet holds the day file (a sharing violation) for three cycle ends: the lines wait.
    gPlan = {{32, 0}, {32, 0}, {32, 0}, {32, 0}, {32, 0}, {32, 0}};
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(Cycle(n), 32);
    EXPECT_EQ(JournalLinesWaiting(), 3u);
    EXPECT_EQ(JournalWriteFailures(), 3u);
    // Released: the next cycle end writes the four, oldest first, in one append.
    gAppends = 0;
    EXPECT_EQ(Cycle(4), 0);
    EXPECT_EQ(gAppends, 1);
    EXPECT_EQ(JournalLinesWaiting(), 0u);
    EXPECT_EQ(gFile, Lines(5));
    // A close that fails after the whole write: reported, and the line is not written again.
    gPlan = {{5, 1000}};
    EXPECT_EQ(Cycle(5), 5);
    EXPECT_EQ(Cycle(6), 0);
    EXPECT_EQ(gFile, Lines(7));
    // A disk that fills within a line: the torn line is cut off and comes again whole.
    gPlan = {{28, 20}};
    EXPECT_EQ(Cycle(7), 28);
    EXPECT_EQ(Cycle(8), 0);
    EXPECT_EQ(gFile, Lines(9));
    EXPECT_EQ(JournalLinesLost(), 0u);
}

// A day of cycles at one a second waits whole; only past it the oldest lines give way.
TEST_F(JournalWaiting, ADayOfLinesWaitsAndOnlyLinesPastItAreLost) {
    const int kCycles = static_cast<int>(kJournalWaitingMax) + 5;
    gPlan.assign(2 * static_cast<std::size_t>(kCycles), {32, 0});
    for (int n = 0; n < kCycles; ++n) ASSERT_EQ(Cycle(n % 200), 32);
    EXPECT_EQ(JournalLinesWaiting(), kJournalWaitingMax);
    EXPECT_EQ(JournalLinesLost(), 5u);
    gPlan.clear();
    EXPECT_EQ(Cycle(0), 0);
    EXPECT_EQ(JournalLinesWaiting(), 0u);
    EXPECT_EQ(std::count(gFile.begin(), gFile.end(), '\n'), static_cast<long>(kJournalWaitingMax));
    // The five oldest and the one the last cycle end pushed out are lost; the file starts with the 7th.
    EXPECT_EQ(gFile.substr(0, Line(Nth(6)).size()), Line(Nth(6)));
}

// A name too long for a journal path: the line waits, the disk is not touched.
TEST_F(JournalWaiting, ANameTooLongIsAFailureWithoutTouchingTheDisk) {
    const std::string longName = std::string(kJournalPathMax - 10, 'a') + "/x.$$$";
    EXPECT_NE(WriteJournalRecord(files, longName.c_str(), Record(kNewYear2026Ms, 0, 0, 1)), 0);
    EXPECT_EQ(gAppends, 0);
    EXPECT_EQ(JournalWriteFailures(), 1u);
}

// The system's append against the ends a day file may have: each new line stands on its own.
TEST(JournalFileTail, TheNextLineStandsOnALineOfItsOwnWhateverTheEnd) {
    TempWorkDir dir;
    const std::string header = std::string(kJournalHeader) + "\n";
    const std::string line = Line(Record(kNewYear2026Ms, 60, 1, 44));
    const std::string old = header + Line(Record(kNewYear2026Ms - 1000, 60, 1, 43));
    const std::string garbage(250, 'x');
    struct Case {
        const char* what;
        std::string before, after;
    } cases[] = {
        {"new", "", header + line},
        {"whole lines", old, old + line},
        {"a line cut short by a kill", old + line.substr(0, 30), old + line},
        {"zeros after a power loss", old + std::string(300, '\0'), old + line},
        {"zeros, nothing else", std::string(5000, '\0'), header + line},
        {"bytes longer than any line", old + garbage, old + garbage + "\n" + line},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteAll("day.csv", {c.before.begin(), c.before.end()});
        const JournalAppend a = AppendJournalFile("day.csv", line);
        EXPECT_EQ(a.error, 0);
        EXPECT_EQ(a.written, line.size());
        const auto bytes = ReadAll("day.csv");
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.after);
    }
}

}  // namespace
