// kvdstat's commands on statistics blocks and journals made here; the expected numbers are worked
// out by hand in the comments.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "stats/analysis.h"
#include "stats/chart.h"
#include "cli.h"
#include "journal/journal_line.h"
#include "stats/report.h"
#include "stats/sources.h"
#include "temp_dir.h"

namespace kvdstat {
namespace {

struct Block {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kBlockBytes);
    void Word(std::size_t offset, unsigned v) {
        bytes[offset] = static_cast<uint8_t>(v);
        bytes[offset + 1] = static_cast<uint8_t>(v >> 8);
    }
    void Indexes(int cut, unsigned write, unsigned wrap) {
        Word(32 + 2 * static_cast<std::size_t>(cut), write);
        Word(64 + 2 * static_cast<std::size_t>(cut), wrap);
    }
    void Entry(int cut, std::size_t k, uint8_t peak, uint8_t work) {
        bytes[96 + static_cast<std::size_t>(cut) * 100000 + 2 * k] = peak;
        bytes[97 + static_cast<std::size_t>(cut) * 100000 + 2 * k] = work;
    }
    void Save(const std::string& name) const {
        std::ofstream(name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
};

constexpr int64_t kT0 = 1767225600000LL;  // 2026-01-01T00:00:00Z

JournalRecord Cycle(int64_t minute, uint8_t peak, uint8_t alarms = 0, int32_t bluntCounter = 0) {
    JournalRecord r{};
    r.time = {kT0 + minute * 60000, 60};
    r.cut = 2;
    r.peak = peak;
    r.work = static_cast<uint8_t>(peak / 2);
    r.po = 12;
    r.alarms = alarms;
    r.bluntCounter = bluntCounter;
    r.breakLimit = 50;
    r.bluntLimit = 30;
    r.missingLimit = 10;
    return r;
}

std::string JournalFile(const std::vector<JournalRecord>& records) {
    std::string text = std::string(kJournalHeader) + "\n";
    char line[kJournalLineMax];
    for (const JournalRecord& r : records) text.append(line, FormatJournalLine(r, line));
    return text;
}

Source FromJournal(const std::vector<JournalRecord>& records) {
    Source s;
    std::vector<Problem> problems;
    AddJournalText(JournalFile(records), "j.csv", s, problems);
    EXPECT_TRUE(problems.empty());
    return s;
}

// A wrapped ring, a reset cut and two damaged ones in one block.
TEST(KvdstatBlock, CycleOrderOfWrappedResetAndDamagedCuts) {
    Block b;
    // Cut 1 wrapped: 50,000 + 3 cycles written, cycle n at entry n mod 50,000 with peak n mod 100.
    // The 3 newest overwrote entries 0..2, so the oldest held is cycle 3 at entry 3.
    for (std::size_t k = 0; k < kRingEntries; ++k) b.Entry(0, k, static_cast<uint8_t>(k % 100), 7);
    for (std::size_t n = 50000; n < 50003; ++n)
        b.Entry(0, n % kRingEntries, static_cast<uint8_t>(n % 100), 8);
    b.Indexes(0, 3, 4);
    // Cut 2 was reset after 10 cycles: the bytes stay, the cut holds nothing.
    for (std::size_t k = 0; k < 10; ++k) b.Entry(1, k, 40, 20);
    b.Indexes(1, 0, 0);
    // Cut 3: 5 cycles; cut 4 has an index beyond the ring, cut 5 a marker the writer never leaves.
    for (std::size_t k = 0; k < 5; ++k) b.Entry(2, k, static_cast<uint8_t>(10 * (k + 1)), 1);
    b.Indexes(2, 5, 0);
    b.Indexes(3, 50000, 0);
    b.Indexes(4, 3, 7);

    Source s;
    std::vector<Problem> problems;
    ReadStatisticsBlock(b.bytes.data(), b.bytes.size(), "b.$$$", s, problems);
    const CutSeries& wrapped = s.cuts[0];
    ASSERT_EQ(wrapped.Size(), 50000u);
    EXPECT_EQ(wrapped.peak.front(), 3);  // cycle 3
    EXPECT_EQ(wrapped.peak[49996], 99);  // cycle 49,999 at entry 49,999
    EXPECT_EQ(wrapped.peak[49997], 0);   // cycle 50,000 at entry 0
    EXPECT_EQ(wrapped.work[49997], 8);
    EXPECT_EQ(wrapped.peak.back(), 2);  // cycle 50,002 at entry 2
    EXPECT_EQ(s.cuts[1].Size(), 0u);
    EXPECT_EQ(s.cuts[2].peak, (std::vector<uint8_t>{10, 20, 30, 40, 50}));
    EXPECT_EQ(s.cuts[3].Size(), 0u);
    EXPECT_EQ(s.cuts[4].Size(), 0u);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[0].message.find("cut 4: damaged index (writeIndex 50000"), std::string::npos);
    EXPECT_NE(problems[1].message.find("cut 5: damaged index"), std::string::npos);

    // Export, oldest first with the cut numbered as users know it.
    const std::string csv = ExportCsv(s, 2);
    EXPECT_EQ(csv, "cut,index,peak,work\n3,0,10,1\n3,1,20,1\n3,2,30,1\n3,3,40,1\n3,4,50,1\n");
}

TEST(KvdstatSummary, PercentilesByNearestRankAndTheJournalsSpan) {
    // Peaks 10, 20, .. 100: p50 is the 5th value (50), p90 the 9th (90), p99 the 10th (rank
    // ceil(9.9)); the mean 55. Work is half the peak.
    std::vector<JournalRecord> records;
    for (int i = 0; i < 10; ++i) records.push_back(Cycle(6 * i, static_cast<uint8_t>(10 * (i + 1))));
    records[9].alarms = kJournalBreak | kJournalBlunt;
    records[8].alarms = kJournalBlunt;
    const Source s = FromJournal(records);
    const Distribution d = Describe(s.cuts[2].peak);
    EXPECT_EQ(d.count, 10u);
    EXPECT_EQ(d.min, 10);
    EXPECT_DOUBLE_EQ(d.mean, 55.0);
    EXPECT_EQ(d.p50, 50);
    EXPECT_EQ(d.p90, 90);
    EXPECT_EQ(d.p99, 100);
    EXPECT_EQ(d.max, 100);
    // 10 cycles over 54 minutes: 9 intervals in 0.9 h, 10 cycles per hour.
    const JournalSpan span = DescribeSpan(s.cuts[2]);
    EXPECT_DOUBLE_EQ(span.cyclesPerHour, 10.0);
    EXPECT_EQ(span.alarms[0], 1u);
    EXPECT_EQ(span.alarms[1], 2u);
    const std::string text = SummaryText(s, kAllCutsShown);
    EXPECT_NE(text.find("cut 3: 10 cycles"), std::string::npos) << text;
    EXPECT_NE(text.find("from 2026-01-01T01:00:00.000+01:00 to 2026-01-01T01:54:00.000+01:00"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("alarms: break 1, blunt 2, missing 0, err1 0"), std::string::npos) << text;
}

TEST(KvdstatTrend, LeastSquaresDriftAndForecast) {
    // y = 1, 3, 2, 6 at x = 0..3: mean x 1.5, mean y 3, Sxx 5, Sxy 7, slope 1.4; the line is
    // 5.1 at x = 3; residuals 0.1, 0.7, -1.7, 0.9 sum to 4.2 squared, so the slope's standard
    // error is sqrt(4.2 / 2 / 5).
    const LineFit f = FitWindow({1, 3, 2, 6}, 0, 4);
    EXPECT_NEAR(f.slope, 1.4, 1e-12);
    EXPECT_NEAR(f.level, 5.1, 1e-12);
    EXPECT_NEAR(f.slopeError, std::sqrt(0.42), 1e-12);
    // To 30 from 5.1 at 1.4 per cycle: 17.79 cycles; at 1.4 -+ 2 x 0.648: 9.05 .. 329.
    const Forecast fc = ForecastLimit(f, 30);
    ASSERT_EQ(fc.kind, Forecast::kReached);
    EXPECT_NEAR(fc.cycles, 24.9 / 1.4, 1e-9);
    EXPECT_NEAR(fc.low, 24.9 / (1.4 + 2 * std::sqrt(0.42)), 1e-9);
    EXPECT_NEAR(fc.high, 24.9 / (1.4 - 2 * std::sqrt(0.42)), 1e-9);
    EXPECT_EQ(ForecastLimit(f, 5).kind, Forecast::kAlreadyAbove);
    EXPECT_EQ(ForecastLimit(FitWindow({9, 8, 7, 6}, 0, 4), 30).kind, Forecast::kNotRising);

    // A tool that is steady (30 and 31 in turn) for 100 cycles, then wears by 1 % a cycle. With
    // a window of 10 the latest window rises exactly (slope 1, no error); windows wholly in the
    // steady part do not; the run of rising windows begins within the 10 cycles before the wear.
    CutSeries s;
    for (int i = 0; i < 100; ++i) s.peak.push_back(static_cast<uint8_t>(30 + i % 2));
    for (int i = 0; i < 40; ++i) s.peak.push_back(static_cast<uint8_t>(31 + i));
    s.work = s.peak;
    const Trend t = ComputeTrend(s, 10, 4);
    EXPECT_NEAR(t.peak.slope, 1.0, 1e-9);
    EXPECT_NEAR(t.peak.level, 70.0, 1e-9);
    EXPECT_GT(t.risingSince, 90);
    EXPECT_LE(t.risingSince, 100);
    ASSERT_EQ(t.peakHistory.size(), 4u);
    EXPECT_EQ(t.peakHistory.front().first, 0u);
    EXPECT_EQ(t.peakHistory.back().first, 130u);
    EXPECT_LT(std::abs(t.peakHistory.front().slope), 0.2);
}

TEST(KvdstatWhatIf, CyclesAgainstTheUnitsAlarmsWithReasons) {
    const std::vector<JournalRecord> records = {
        Cycle(0, 25),                    // 0: nothing
        Cycle(1, 35, kJournalBlunt, 1),  // 1: blunt, alarmed
        Cycle(2, 35, 0, 1),              // 2: blunt detected, count not reached
        Cycle(3, 55, kJournalBreak),     // 3: break, alarmed; above blunt too
        Cycle(4, 52, 0),                 // 4: break level without an alarm
        Cycle(5, 28, kJournalBlunt),     // 5: alarm the peak does not show
        Cycle(6, 8, kJournalMissing),    // 6: missing tool
        Cycle(7, 47, kJournalBlunt, 1),  // 7: blunt; a Break of 45 would count it
    };
    const Source s = FromJournal(records);
    const CutSeries& c = s.cuts[2];

    // The unit's own limits (50, 30, 10, power).
    const WhatIf own = ComputeWhatIf(c, {-1, -1, -1, -1});
    const WhatIfKind& brk = own.kinds[kBreak];
    ASSERT_EQ(brk.counted.size(), 2u);
    EXPECT_EQ(brk.counted[0].index, 3u);
    EXPECT_TRUE(brk.counted[0].unitAlarm);
    EXPECT_EQ(brk.counted[1].index, 4u);
    EXPECT_NE(brk.counted[1].reason.find("Break Delay"), std::string::npos);
    const WhatIfKind& blunt = own.kinds[kBlunt];
    // Cycles 1, 2, 3, 4, 7 have peaks above 30.
    ASSERT_EQ(blunt.counted.size(), 5u);
    EXPECT_EQ(blunt.unitAlarms, 3u);
    EXPECT_TRUE(blunt.counted[0].unitAlarm);
    EXPECT_NE(blunt.counted[1].reason.find("Blunt Count"), std::string::npos);
    EXPECT_NE(blunt.counted[2].reason.find("break detector"), std::string::npos);
    ASSERT_EQ(blunt.uncounted.size(), 1u);
    EXPECT_EQ(blunt.uncounted[0].index, 5u);
    EXPECT_NE(blunt.uncounted[0].reason.find("own Po"), std::string::npos);
    ASSERT_EQ(own.kinds[kMissing].counted.size(), 1u);
    EXPECT_TRUE(own.kinds[kMissing].counted[0].unitAlarm);

    // A Break limit of 45 instead of 50 adds cycle 7, which ran under 50.
    const WhatIf lower = ComputeWhatIf(c, {45, -1, -1, -1});
    ASSERT_EQ(lower.kinds[kBreak].counted.size(), 3u);
    EXPECT_EQ(lower.kinds[kBreak].counted[2].index, 7u);
    EXPECT_NE(lower.kinds[kBreak].counted[2].reason.find("Break limit then was 50"), std::string::npos);
    const std::string text = WhatIfText(s, 2, {{45, -1, -1, -1}, 50});
    EXPECT_NE(text.find("Break limit (45): 3 cycles cross it; the unit raised the alarm in 1 cycles"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("2026-01-01T01:07:00.000+01:00"), std::string::npos) << text;
}

// Each limit counts only while it is on: Break 0, Blunt 0..4 and Missing 0..2 are Off and cross
// nothing, whatever the cycle's peak or work.
TEST(KvdstatWhatIf, LimitsCountOnlyWhileOn) {
    constexpr int kPower = kBluntModePower, kWork = kBluntModeWork;
    struct Case {
        int kind;
        Limits limits;
        int peak, work;
        bool crosses;
    } cases[] = {
        {kBreak, {0, 30, 10, kPower}, 99, 0, false},   // Off
        {kBreak, {1, 30, 10, kPower}, 2, 0, true},     // 1 is a limit
        {kBlunt, {50, 4, 10, kPower}, 40, 40, false},  // Off
        {kBlunt, {50, 5, 10, kPower}, 6, 0, true},
        {kBlunt, {50, 5, 10, kWork}, 90, 5, false},  // Work mode compares the work
        {kBlunt, {50, 5, 10, kWork}, 0, 6, true},
        {kMissing, {50, 30, 2, kPower}, 0, 0, false},  // Off: no cycle is a missing tool
        {kMissing, {50, 30, 3, kPower}, 3, 0, true},
        {kMissing, {50, 30, 3, kPower}, 4, 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Crosses(c.kind, c.limits, c.peak, c.work), c.crosses)
            << AlarmName(c.kind) << " " << c.limits.breakLimit << "/" << c.limits.bluntLimit << "/"
            << c.limits.missingLimit << " peak " << c.peak << " work " << c.work;
}

TEST(KvdstatSuggest, LimitsMarginsAndWhatTheDataCannotTell) {
    // Peaks 30..39, ten cycles each: p1 30, p50 the 50th value 34, p99 the 99th 39, spread 5.
    // Blunt 39 + 5 = 44; Break max(39 + 10, 44 + 5) = 49; Missing 30 - 5 = 25.
    CutSeries s;
    for (int v = 30; v < 40; ++v)
        for (int i = 0; i < 10; ++i) s.peak.push_back(static_cast<uint8_t>(v));
    s.work = s.peak;
    const Suggestion g = Suggest(s, 0);
    ASSERT_TRUE(g.enough);
    EXPECT_EQ(g.bluntLimit, 44);
    EXPECT_EQ(g.bluntMargin, 5);
    EXPECT_EQ(g.breakLimit, 49);
    EXPECT_EQ(g.breakMargin, 10);
    EXPECT_EQ(g.missingLimit, 25);
    EXPECT_EQ(g.missingMargin, 5);
    EXPECT_EQ(g.bluntFalse + g.breakFalse + g.missingFalse, 0u);
    // 100 cycles from a statistics file: both limits of what it can say are named.
    std::string notes;
    for (const std::string& n : g.cannotTell) notes += n + "\n";
    EXPECT_NE(notes.find("fewer than 3 lie above the 99th percentile"), std::string::npos) << notes;
    EXPECT_NE(notes.find("holds no alarms"), std::string::npos) << notes;

    // From a journal, alarmed cycles are left out; 29 good cycles are too few to say anything.
    std::vector<JournalRecord> records;
    for (int i = 0; i < 29; ++i) records.push_back(Cycle(i, 30));
    records.push_back(Cycle(29, 60, kJournalBreak));
    const Suggestion few = Suggest(FromJournal(records).cuts[2], 0);
    EXPECT_FALSE(few.enough);
    EXPECT_EQ(few.excluded, 1u);
    EXPECT_NE(few.cannotTell.back().find("only 29 cycles"), std::string::npos);
}

// The command line: bad input is named with its file (and line), the rest still answers, and
// the exit code tells.
TEST(KvdstatCommandLine, ErrorsExitCodesHelpAndCharts) {
    TempWorkDir dir;
    Block b;
    for (std::size_t k = 0; k < 40; ++k) b.Entry(0, k, static_cast<uint8_t>(20 + k % 5), 9);
    b.Indexes(0, 40, 0);
    b.Save("good.$$$");
    Block damaged = b;
    damaged.Indexes(1, 3, 9);
    damaged.Save("damaged.$$$");
    b.bytes.pop_back();
    b.Save("short.$$$");
    std::string journal = JournalFile({Cycle(0, 30), Cycle(1, 31)});
    journal += "2026-01-01T02:00:00.000+01:00,3,x,15,12,0,0,0,0,0,0,50,30,10,power\n";
    journal += JournalFile({Cycle(3, 33)}).substr(kJournalHeader.size() + 1);
    std::ofstream("day.csv") << journal;

    struct Case {
        std::vector<std::string> args;
        int exit;
        const char* out;  // expected in the output
        const char* err;  // expected in the errors
    } cases[] = {
        {{"summary", "good.$$$"}, kExitDone, "cut 1: 40 cycles", ""},
        {{"summary", "short.$$$"}, kExitFailed, "", "short.$$$: not a statistics file: 1600095 bytes"},
        {{"summary", "damaged.$$$"}, kExitInputProblems, "cut 1: 40 cycles", "cut 2: damaged index"},
        {{"summary", "day.csv"}, kExitInputProblems, "cut 3: 3 cycles", "day.csv:4: peak is not 0..255"},
        {{"summary", "missing.$$$"}, kExitFailed, "", "missing.$$$: cannot be read"},
        {{"export", "--format", "json", "day.csv"},
         kExitInputProblems,
         "\"time\": \"2026-01-01T01:03:00.000+01:00\"",
         ""},
        {{"trend", "--window", "2", "good.$$$"}, kExitFailed, "", "--window 2: expected a whole number 3.."},
        {{"whatif", "--help"}, kExitDone, "usage: kvdstat whatif", ""},
        {{"frobnicate", "good.$$$"}, kExitFailed, "", "unknown command frobnicate"},
        {{"plot", "--out", "c.svg", "good.$$$"}, kExitDone, "written to c.svg", ""},
        {{"plot", "--out", "c.png", "--break", "45", "good.$$$"}, kExitDone, "written to c.png", ""},
    };
    for (const Case& c : cases) {
        std::string out, err;
        EXPECT_EQ(RunKvdstat(c.args, out, err), c.exit) << c.args[0] << " " << c.args.back() << "\n" << err;
        EXPECT_NE(out.find(c.out), std::string::npos) << out;
        EXPECT_NE(err.find(c.err), std::string::npos) << err;
    }
    const auto png = ReadAll("c.png");
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    const auto svg = ReadAll("c.svg");
    EXPECT_NE(std::string(svg.begin(), svg.end()).find("stroke=\"#ff0000\""), std::string::npos);
}

// The picture: the limit lines lie in the right order from the top, across the plot.
TEST(KvdstatChart, LimitLinesInOrderAndTheSeriesDrawn) {
    CutSeries s;
    for (int i = 0; i < 2000; ++i) s.peak.push_back(static_cast<uint8_t>(20 + i % 7));
    s.work = std::vector<uint8_t>(2000, 5);
    const Chart chart = LayoutChart(s, 0, {60, 40, 10, 0}, 400, 300);
    const std::vector<uint8_t> rgb = RenderChart(chart);
    const auto rowWithMost = [&](uint8_t r, uint8_t g, uint8_t b) {
        int best = -1, bestCount = 0;
        for (int y = 0; y < chart.height; ++y) {
            int count = 0;
            for (int x = 0; x < chart.width; ++x) {
                const std::size_t at = (static_cast<std::size_t>(y) * chart.width + x) * 3;
                count += rgb[at] == r && rgb[at + 1] == g && rgb[at + 2] == b;
            }
            if (count > bestCount) best = y, bestCount = count;
        }
        EXPECT_GT(bestCount, chart.width / 2) << "a line across the plot";
        return best;
    };
    const int breakRow = rowWithMost(255, 0, 0), bluntRow = rowWithMost(255, 0, 255),
              missingRow = rowWithMost(0, 153, 0), workRow = rowWithMost(0xE0, 0x8A, 0);
    // 60 above 40 above 10 above 5; 20 % of the plot's height lies between 60 and 40.
    EXPECT_LT(breakRow, bluntRow);
    EXPECT_LT(bluntRow, missingRow);
    EXPECT_LT(missingRow, workRow);
    EXPECT_NEAR(bluntRow - breakRow, (missingRow - bluntRow) * 20 / 30, 2);
}

}  // namespace
}  // namespace kvdstat
