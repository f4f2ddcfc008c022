// kvdplant's start: the board seeded from the machines' journals, the newest day files only.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "board_history.h"
#include "board_model.h"
#include "journal/journal_line.h"
#include "temp_dir.h"

namespace kvdboard {
namespace {

void DayFile(const std::filesystem::path& folder, int day, int firstPeak, int cycles) {
    const std::string date = "2026-12-0" + std::to_string(day);
    std::filesystem::create_directories(folder);
    std::ofstream out(folder / (date + ".csv"), std::ios::binary);
    out << kJournalHeader << "\nnot a journal line\n";
    for (int i = 0; i < cycles; ++i) {
        JournalRecord r{};
        r.time = {1796688000000LL + (day - 8) * 86400000LL + i * 60000LL, 60};  // 01:00 local
        r.cut = 2;
        r.peak = static_cast<uint8_t>(firstPeak + i);
        r.breakLimit = 80;
        r.bluntLimit = 60;
        char line[kJournalLineMax];
        out.write(line, static_cast<std::streamsize>(FormatJournalLine(r, line)));
    }
}

TEST(BoardHistory, TheBoardStartsFromTheNewestDays) {
    TempWorkDir dir;
    DayFile(dir.path() / "M1" / "journal", 7, 10, 5);  // left out: 2 days are read
    DayFile(dir.path() / "M1" / "journal", 8, 20, 10);
    DayFile(dir.path() / "M1" / "journal", 9, 40, 25);
    DayFile(dir.path() / ".trash" / "journal", 9, 40, 25);
    BoardModel model;
    EXPECT_EQ(SeedFromJournals(model, dir.path().string()), 1u);
    MachineView v;
    ASSERT_TRUE(model.Find("M1", v));
    EXPECT_EQ(v.cyclesSeen, 35u);
    EXPECT_EQ(v.cut, 2);
    EXPECT_EQ(v.cycles.back().peak, 64);
    EXPECT_EQ(v.breakForecast.kind, kvdstat::Forecast::kReached);  // rising by one a cycle
    // Its cycles are history: the machine is neither seen nor running until it says so.
    EXPECT_EQ(v.lastSeenMs, 0);
    EXPECT_EQ(v.status, MachineStatus::kOffline);
    model.OnState("M1", {true, true, 2, 0});
    EXPECT_EQ((model.Find("M1", v), v.status), MachineStatus::kWearing);
}

}  // namespace
}  // namespace kvdboard
