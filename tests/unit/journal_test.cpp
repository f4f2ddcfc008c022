#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <locale>
#include <string>
#include <vector>

#include "journal/journal_line.h"
#include "journal/journal_reader.h"
#include "journal/journal_writer.h"
#include "interpreter_support.h"
#include "journal_records.h"
#include "shell/cycle_journal.h"
#include "temp_dir.h"
#include "test_monitor.h"

namespace {

std::string FileText(const std::filesystem::path& p) {
    const auto bytes = ReadAll(p);
    return {bytes.begin(), bytes.end()};
}

// A decimal comma and thousands grouping, as a German desktop has; the journal must not see it.
struct CommaNumbers : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(JournalLine, FieldsTimeStampsAndReadingBack) {
    const std::locale old = std::locale::global(std::locale(std::locale::classic(), new CommaNumbers));
    JournalRecord all = Record(kNewYear2026Ms - 1, 60, 15, 105);
    all.alarms = kJournalBreak | kJournalMissing | kJournalErr1;
    all.bluntCounter = 1234567;
    all.missingCounter = -3;
    all.bluntMode = 1;
    JournalRecord west = Record(kNewYear2026Ms + 86400000LL * 87 + 1000 * 3600 + 5, -300, 0, 0);
    west.alarms = kJournalBlunt;
    west.bluntCounter = 2;

    struct Case {
        JournalRecord record;
        const char* line;
        const char* day;
    } cases[] = {
        // One millisecond before the new year in UTC is already New Year's Day an hour east.
        {all, "2026-01-01T00:59:59.999+01:00,16,105,52,17,1,0,1,1,1234567,-3,50,30,10,work\n", "2026-01-01"},
        // Day 87 of 2026 is March 29; five hours west of UTC it is still the 28th.
        {west, "2026-03-28T20:00:00.005-05:00,1,0,0,17,0,1,0,0,2,0,50,30,10,power\n", "2026-03-28"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Line(c.record), c.line);
        char day[16] = {};
        FormatJournalDate(c.record.time, day);
        EXPECT_STREQ(day, c.day);

        std::string text(c.line);
        text.pop_back();
        JournalRecord back{};
        const char* error = nullptr;
        ASSERT_TRUE(ParseJournalLine(text, back, &error)) << error;
        EXPECT_EQ(Line(back), c.line);
        EXPECT_EQ(back.time.unixMs, c.record.time.unixMs);
    }
    std::locale::global(old);
}

// Malformed lines are reported with their numbers and skipped; the rest is read. A last line
// without its line feed is one being written, not an error.
TEST(JournalReader, ReportsEachMalformedLineAndReadsTheRest) {
    const std::string good = Line(Record(kNewYear2026Ms, 0, 2, 40));
    std::string text = std::string(kJournalHeader) + "\n" + good;
    text += "2026-01-01T00:00:00.000+00:00,17,40,20,17,0,0,0,0,0,0,50,30,10,power\n";  // line 3
    text += "2026-01-01T00:00:00.000+00:00,3,40,20,17,0,0,0,0,0,0,50,30,power\n";      // line 4
    text += "2026-02-30T00:00:00.000+00:00,3,40,20,17,0,0,0,0,0,0,50,30,10,power\n";   // line 5
    text += "2026-01-01T00:00:00.000+00:00,3,40,20,17,0,2,0,0,0,0,50,30,10,power\n";   // line 6
    text += good;                                                                      // line 7
    text += good.substr(0, 20);                                                        // unfinished

    JournalText read;
    ReadJournalText(text, read);
    ASSERT_EQ(read.records.size(), 2u);
    EXPECT_EQ(read.records[1].cut, 2);
    EXPECT_EQ(read.records[1].peak, 40);
    ASSERT_EQ(read.issues.size(), 4u);
    const std::pair<std::size_t, const char*> expected[] = {
        {3, "cut is not 1..16"}, {4, "fewer than 15 fields"}, {5, "time is not"}, {6, "blunt is not 0 or 1"}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(read.issues[i].line, expected[i].first);
        EXPECT_NE(read.issues[i].message.find(expected[i].second), std::string::npos)
            << read.issues[i].message;
    }
    EXPECT_TRUE(read.unfinishedLastLine);

    // Saved again by a spreadsheet: a byte order mark and CR LF line ends.
    JournalText resaved;
    // (Built by concatenation: g++ 12 at -O3 warns falsely about an insert here.)
    const std::string crlf = good.substr(0, good.size() - 1) + "\r\n";
    ReadJournalText("\xEF\xBB\xBF" + std::string(kJournalHeader) + "\r\n" + crlf, resaved);
    EXPECT_EQ(resaved.records.size(), 1u);
    EXPECT_TRUE(resaved.issues.empty());

    JournalText other;
    ReadJournalText("peak,work\n1,2\n", other);
    ASSERT_EQ(other.issues.size(), 1u);
    EXPECT_EQ(other.issues[0].line, 1u);
    EXPECT_TRUE(other.records.empty());
}

// The writer through the system's calls: the folder "journal" beside the statistics file, a file
// per local day, a header at the top of each, and a kill mid-line that leaves a readable file.
TEST(JournalWriter, DayFilesBesideTheStatisticsFileSurviveAKillMidLine) {
    TempWorkDir dir;
    std::filesystem::create_directory("data");
    const char* statistics = "data/Default.$$$";
    JournalWriter& writer = FreshJournalWriter();
    const JournalFiles files = SystemJournalFiles();

    // Three cycles: the first at 23:59:59.500 local time (UTC+1), the others after midnight.
    const int64_t lateEvening = kNewYear2026Ms - 500 - 3600 * 1000;
    ASSERT_EQ(WriteJournalRecord(writer, files, statistics, Record(lateEvening, 60, 0, 31)), 0);
    ASSERT_EQ(WriteJournalRecord(writer, files, statistics, Record(lateEvening + 1000, 60, 0, 32)), 0);
    ASSERT_EQ(WriteJournalRecord(writer, files, statistics, Record(lateEvening + 61000, 60, 4, 33)), 0);

    const std::filesystem::path first = "data/journal/2025-12-31.csv", second = "data/journal/2026-01-01.csv";
    const std::string header = std::string(kJournalHeader) + "\n";
    EXPECT_EQ(FileText(first), header + Line(Record(lateEvening, 60, 0, 31)));
    EXPECT_EQ(FileText(second), header + Line(Record(lateEvening + 1000, 60, 0, 32)) +
                                    Line(Record(lateEvening + 61000, 60, 4, 33)));

    // A kill in the middle of the next write leaves part of a line at the end.
    const std::string fourth = Line(Record(lateEvening + 62000, 60, 4, 34));
    {
        std::ofstream torn(second, std::ios::binary | std::ios::app);
        torn << fourth.substr(0, 25);
    }
    JournalText read;
    ReadJournalText(FileText(second), read);
    EXPECT_EQ(read.records.size(), 2u);
    EXPECT_TRUE(read.issues.empty());

    // The next cycle end cuts the unfinished line off before it writes its own.
    ASSERT_EQ(WriteJournalRecord(writer, files, statistics, Record(lateEvening + 63000, 60, 4, 35)), 0);
    EXPECT_EQ(FileText(second), header + Line(Record(lateEvening + 1000, 60, 0, 32)) +
                                    Line(Record(lateEvening + 61000, 60, 4, 33)) +
                                    Line(Record(lateEvening + 63000, 60, 4, 35)));
    EXPECT_EQ(JournalWriteFailures(writer), 0u);

    // A bare statistics file name puts the journal in the working directory.
    ASSERT_EQ(WriteJournalRecord(writer, files, "Default.$$$", Record(lateEvening, 60, 1, 36)), 0);
    EXPECT_TRUE(std::filesystem::exists("journal/2025-12-31.csv"));
}

// The monitor's cycle ends through the interpreter: one line per cycle, with the cycle's own
// alarms, the counters, and the limits of its cut as they stood.
class CycleJournal : public InterpreterFixture {
protected:
    TempWorkDir dir;
};

TEST_F(CycleJournal, OneLinePerCycleWithItsAlarmsCountersAndLimits) {
    TestLink().storageService.journalCycle = [](void*, const FinishedCycle& c) {
        JournalFinishedCycle(TestMonitor().journal, TestConfig().statisticsFileName, c);
    };
    // Cut 3 (index 2) gets a Break limit of 45 from the unit before its first cycle.
    Send({Report(2, 256, 45)});
    // Cycle 1: Po (20 + 22 + 21) / 3 = 21, peak 60 - 21 = 39, work (29 + 39) / 1024 = 0; a
    // break alarm, a blunt detection and error 1 arrive before the cycle end.
    Send({222, 10, 12, 201, 20, 22, 21, 201, 50, 60, 202, 207, 206, 200});
    // Cycle 2: the lamps are still on, but no alarm message came: the line has none.
    Send({222, 201, 30, 201, 40, 200});
    // Cycle 3 of cut 1 after an acknowledge: its counters are its own.
    Send({205, 220, 201, 10, 201, 12, 203, 208, 200});

    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator("journal")) files.push_back(e.path());
    std::sort(files.begin(), files.end());  // two day files when the test runs over midnight
    JournalText read;
    for (const auto& f : files) ReadJournalText(FileText(f), read);
    EXPECT_TRUE(read.issues.empty());
    ASSERT_EQ(read.records.size(), 3u);
    const JournalRecord& a = read.records[0];
    EXPECT_EQ(a.cut, 2);
    EXPECT_EQ(a.peak, 39);
    EXPECT_EQ(a.work, 0);
    EXPECT_EQ(a.po, 21);
    EXPECT_EQ(a.alarms, kJournalBreak | kJournalErr1);
    EXPECT_EQ(a.bluntCounter, 1);
    EXPECT_EQ(a.breakLimit, 45);
    EXPECT_EQ(a.bluntLimit, 30);
    EXPECT_EQ(a.missingLimit, 10);
    const JournalRecord& b = read.records[1];
    EXPECT_EQ(b.po, 30);
    EXPECT_EQ(b.peak, 10);
    EXPECT_EQ(b.alarms, 0);
    const JournalRecord& c = read.records[2];
    EXPECT_EQ(c.cut, 0);
    EXPECT_EQ(c.alarms, kJournalMissing);
    EXPECT_EQ(c.missingCounter, 1);
    EXPECT_EQ(c.breakLimit, 50);
    EXPECT_LE(a.time.unixMs, c.time.unixMs);
    // The statistics entries and the journal agree.
    EXPECT_EQ(TestStatistics().entries[2][0].peak, 39);
    EXPECT_EQ(TestStatistics().entries[2][1].peak, 10);
}

}  // namespace
