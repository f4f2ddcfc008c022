// kvdstat where its input or its output fails it, and the bounds of --from and --to.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "cli.h"
#include "journal_records.h"
#include "output.h"
#include "temp_dir.h"
#include "stats/time_bound.h"

namespace kvdstat {
namespace {

std::string JournalOf(const std::vector<JournalRecord>& records) {
    std::string text = std::string(kJournalHeader) + "\n";
    for (const JournalRecord& r : records) text += Line(r);
    return text;
}

// A folder entry whose status fails is reported and the rest read; a name of any length is
// printed whole, on its own line.
TEST(KvdstatInput, AnEntryThatCannotBeStatedIsReportedAndALongNameKeptWhole) {
    TempWorkDir dir;
    std::filesystem::path folder = "j";
    for (char c : {'a', 'b', 'c', 'd'}) folder /= std::string(150, c);
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "2026-01-01.csv") << JournalOf({Record(kNewYear2026Ms, 60, 2, 40)});
    std::filesystem::create_symlink("loop.csv", folder / "loop.csv");  // a link to itself
    std::string out, err;
    EXPECT_EQ(RunKvdstat({"summary", folder.string()}, out, err), kExitInputProblems);
    EXPECT_NE(err.find((folder / "loop.csv").string() + ": cannot be read"), std::string::npos) << err;
    EXPECT_NE(out.find((folder / "2026-01-01.csv").string() + " (journal)\n"), std::string::npos) << out;
}

// A source whose read fails part way (/proc/self/mem fails its first read with an I/O error, as a
// dying disk would) or that is no file: that source is reported with the reason, the others are
// still answered, and the exit status says a source failed.
TEST(KvdstatInput, ASourceThatCannotBeReadIsReportedAndTheOthersAnswered) {
    TempWorkDir dir;
    std::ofstream("good.csv") << JournalOf({Record(kNewYear2026Ms, 60, 1, 40)});  // cut 2
    std::filesystem::create_directory("journal");
    std::ofstream("journal/2026-01-01.csv") << JournalOf({Record(kNewYear2026Ms, 60, 2, 41)});  // cut 3
    std::filesystem::create_symlink("/proc/self/mem", "journal/2026-01-02.csv");
    ASSERT_EQ(mkfifo("pipe.$$$", 0600), 0);
    // The failing source, another one, what is reported, what is still answered.
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"/proc/self/mem", "good.csv", "/proc/self/mem: cannot be read: Input/output error",
         "cut 2: 1 cycles"},
        {"journal", "good.csv", "journal/2026-01-02.csv: cannot be read: Input/output error",
         "cut 3: 1 cycles"},
        {"pipe.$$$", "journal", "pipe.$$$: cannot be read: not a regular file", "cut 3: 1 cycles"},
        {"gone.$$$", "journal", "gone.$$$: cannot be read: No such file or directory", "cut 3: 1 cycles"},
    };
    for (const auto& [failing, other, message, answered] : cases) {
        std::string out, err;
        EXPECT_EQ(RunKvdstat({"summary", failing, other}, out, err), kExitInputProblems) << failing;
        EXPECT_NE(err.find(std::string("kvdstat: ") + message + "\n"), std::string::npos) << err;
        EXPECT_NE(out.find(answered), std::string::npos) << out;
    }
}

// A full disk and a reader that went away: exit 2 with the reason, never a silent end.
TEST(KvdstatOutput, AFailedWriteOfTheOutputExits2WithAMessage) {
    IgnoreBrokenPipe();
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);
    const std::pair<std::FILE*, const char*> cases[] = {{std::fopen("/dev/full", "w"), "No space left"},
                                                        {fdopen(ends[1], "w"), "Broken pipe"}};
    for (const auto& [to, reason] : cases) {
        std::FILE* messages = std::tmpfile();
        EXPECT_EQ(WriteRunOutput(kExitDone, "cut 1: 12 cycles\n", "", to, messages), kExitFailed);
        char text[200] = {};
        std::rewind(messages);
        EXPECT_GT(std::fread(text, 1, sizeof text - 1, messages), 0u);
        EXPECT_NE(std::string(text).find(reason), std::string::npos) << text;
        std::fclose(messages);
        std::fclose(to);
    }
}

// The night the clocks go back (2026-10-25, 03:00 +02:00 becomes 02:00 +01:00): a bound without an
// offset falls where the journal's clock first showed it; one with an offset is that instant.
TEST(KvdstatTimeBounds, BoundsAreInstants) {
    const int64_t m = 60000, midnightUtc = kNewYear2026Ms + 297LL * 1440 * m;  // 2026-10-25T00:00Z
    Source s;
    std::vector<Problem> problems;
    AddJournalText(JournalOf({Record(midnightUtc + 30 * m, 120, 0, 1),    // 02:30 +02:00
                              Record(midnightUtc + 45 * m, 120, 0, 2),    // 02:45 +02:00
                              Record(midnightUtc + 75 * m, 60, 0, 3),     // 02:15 +01:00
                              Record(midnightUtc + 90 * m, 60, 0, 4),     // 02:30 +01:00
                              Record(midnightUtc + 130 * m, 60, 0, 5)}),  // 03:10 +01:00
                   "j.csv", s, problems);
    const std::tuple<const char*, const char*, std::vector<uint8_t>> cases[] = {
        {"2026-10-25T02:30", "", {1, 2, 3, 4, 5}},  // as text, 02:15 +01:00 was left out
        {"2026-10-25T02:30+01:00", "", {4, 5}},
        {"", "2026-10-25T03", {1, 2, 3, 4}},
        {"2026-10-25T00:40Z", "2026-10-25T01:30:00.000Z", {2, 3}},
    };
    for (const auto& [from, to, kept] : cases) {
        TimeBound low, high;
        ASSERT_TRUE(ParseTimeBound(from, low) && ParseTimeBound(to, high));
        Source filtered = s;
        FilterByTime(filtered, low, high);
        EXPECT_EQ(filtered.cuts[0].peak, kept) << from << " .. " << to;
    }
    TimeBound bad;
    for (const char* text : {"yesterday", "2026-10-25T2:30", "2026-13-01", "2026-10-25T02:30+1"})
        EXPECT_FALSE(ParseTimeBound(text, bad)) << text;
}

}  // namespace
}  // namespace kvdstat
