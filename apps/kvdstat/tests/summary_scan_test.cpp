// The summary tallied while reading (journal_scan.h) against the summary of the histories that
// LoadSources holds: the same text and the same problems, in the same order, on journals that hold
// every oddity the reader knows, with one reader and with several.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "journal/journal_line.h"
#include "stats/journal_scan.h"
#include "stats/report.h"
#include "temp_dir.h"

namespace kvdstat {
namespace {

void Write(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string Header() { return std::string(kJournalHeader) + "\n"; }

// Lines that the quick reading takes, and those it hands on to ParseJournalLine.
constexpr const char* kLines[] = {
    "2026-12-08T06:00:00.000+01:00,1,40,20,12,0,0,0,0,3,0,50,30,10,power",
    "2026-12-08T06:00:00.000+01:00,16,255,255,65535,1,1,1,1,-2147483648,2147483647,65535,65535,65535,work",
    "2026-12-08T05:00:00.000Z,2,007,0,0,0,1,0,0,0,0,50,30,10,work",          // Z time, leading zeros
    "2026-12-08T05:00:00.000-00:00,2,-0,1,0,0,0,0,0,0,0,50,30,10,work",      // "-0" is a number
    "2026-12-08T06:00:01.000+01:00,17,40,20,12,0,0,0,0,0,0,50,30,10,power",  // cut out of range
    "2026-12-08T06:00:01.000+01:00,1,40,20,12,0,0,0,0,12345678901,0,50,30,10,power",
    "2026-12-08T06:00:01.000+01:00,1,40,20,12,0,0,0,0,0,0,50,30,10,power,",  // 16 fields
    "2026-12-08T06:00:01.000+01:00,1,40,20,12,0,0,0,0,0,0,50,30,10,Power",
    "2026-12-08T06:00:01.000+01:00,1,+40,20,12,0,0,0,0,0,0,50,30,10,power",
    "2026-12-08T06:00:01.000+01:00,1,40,20,12,0,0,0,0,-,0,50,30,10,power",
    "2026-12-08T06:00:01.000+01:00,1,40,20,12,0,0,0,0,0,0,50,30,10,work\r",
    "2026-02-30T06:00:01.000+01:00,1,40,20,12,0,0,0,0,0,0,50,30,10,work",
    "",
};

TEST(KvdstatSummaryScan, SameAnswersAsTheHistories) {
    for (const char* line : kLines) {
        JournalRecord quick{}, full{};
        const char *quickError = "", *fullError = "";
        const bool q = ParseJournalLineInPlace(line, quick, &quickError);
        ASSERT_EQ(q, ParseJournalLine(line, full, &fullError)) << line;
        EXPECT_STREQ(quickError, fullError) << line;
        char a[kJournalLineMax], b[kJournalLineMax];
        if (q) {
            EXPECT_EQ(std::string(a, FormatJournalLine(quick, a)),
                      std::string(b, FormatJournalLine(full, b)));
        }
    }

    TempWorkDir dir;
    // mill-1: a byte order mark, CR LF ends, every line above, a line far longer than a read
    // block, enough lines to cross many blocks, and a last line still being written.
    std::string text = "\xEF\xBB\xBF" + Header();
    for (const char* line : kLines) text += std::string(line) + "\r\n";
    text += std::string(3 << 20, 'x') + "\n";
    for (int i = 0; i < 40000; ++i) {
        JournalRecord r{};
        r.time = {1796706000000LL + (i % 7000) * 1000, i % 3 * 60};  // equal instants, other offsets
        r.cut = i % 4;
        r.peak = static_cast<uint8_t>(i * 7 % 256);
        r.work = static_cast<uint8_t>(i * 3 % 200);
        r.alarms = static_cast<uint8_t>(i % 16);
        char line[kJournalLineMax];
        text.append(line, FormatJournalLine(r, line));
    }
    Write("plant/mill-1/journal/2026-12-08.csv", text + "2026-12-08T06:00:01.000+01:00,1,4");
    Write("plant/mill-1/journal/2026-12-09.csv", "no journal\n" + Header());
    // lathe-2: the same instants as mill-1's first and last, told with other offsets.
    Write("plant/lathe-2/journal/2026-12-08.csv",
          Header() + "\n2026-12-08T05:00:00.000+00:00,1,1,1,1,0,0,0,0,0,0,50,30,10,power\n" +
              "2026-12-08T06:56:39.000+00:00,1,2,2,2,1,0,0,0,0,0,50,30,10,power\n");
    Write("plant/empty/journal/notes.txt", "");
    const std::vector<std::vector<std::string>> inputs = {
        {"plant/mill-1/journal", "plant/lathe-2/journal/", "plant/empty/journal", "gone.csv"},
        {"plant/lathe-2/journal", "plant/mill-1/journal/2026-12-08.csv", "plant/mill-1/journal"},
        {"plant/lathe-2/journal/2026-12-08.csv"},
        {"plant/empty/journal"},
    };
    for (const std::vector<std::string>& paths : inputs) {
        std::vector<Problem> expectedProblems;
        std::string expected;
        for (const Source& s : LoadSources(paths, expectedProblems))
            expected += SummaryText(s, kAllCutsShown);
        for (unsigned threads : {1u, 2u, 5u}) {
            std::vector<Problem> problems;
            std::string got;
            for (const Tally& t : TallyJournals(paths, problems, threads))
                got += SummaryText(t, kAllCutsShown);
            EXPECT_EQ(got, expected) << paths.front() << ", " << threads << " readers";
            ASSERT_EQ(problems.size(), expectedProblems.size()) << paths.front();
            for (std::size_t i = 0; i < problems.size(); ++i)
                EXPECT_EQ(problems[i].where + ": " + problems[i].message,
                          expectedProblems[i].where + ": " + expectedProblems[i].message);
        }
    }
}

}  // namespace
}  // namespace kvdstat
