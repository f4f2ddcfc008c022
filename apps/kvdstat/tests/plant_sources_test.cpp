// kvdplant's folder of machines read by kvdstat: FOLDER/*/journal gives one source per machine,
// named by it, and the plant's source of them all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "journal/journal_line.h"
#include "stats/sources.h"
#include "temp_dir.h"

namespace kvdstat {
namespace {

void Journal(const std::string& machine, int cycles, int cut) {
    std::filesystem::create_directories("plant/" + machine + "/journal");
    std::ofstream out("plant/" + machine + "/journal/2026-12-08.csv", std::ios::binary);
    out << kJournalHeader << "\n";
    for (int i = 0; i < cycles; ++i) {
        JournalRecord r{};
        r.time = {1796724000000LL + i * 1000, 0};
        r.cut = cut;
        r.peak = static_cast<uint8_t>(10 * (i + 1));
        char line[kJournalLineMax];
        out.write(line, static_cast<std::streamsize>(FormatJournalLine(r, line)));
    }
}

TEST(KvdstatPlant, EachMachineASourceAndThePlantOfThemAll) {
    TempWorkDir dir;
    Journal("lathe-2", 2, 0);
    Journal("mill-1", 3, 0);
    std::vector<Problem> problems;
    const std::vector<Source> s = LoadSources({"plant/lathe-2/journal", "plant/mill-1/journal/"}, problems);
    EXPECT_TRUE(problems.empty());
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].name, "lathe-2");
    EXPECT_EQ(s[1].name, "mill-1");
    EXPECT_EQ(s[2].name, "the plant (2 machines)");
    EXPECT_EQ(s[0].cuts[0].Size(), 2u);
    EXPECT_EQ(s[1].cuts[0].Size(), 3u);
    ASSERT_EQ(s[2].cuts[0].Size(), 5u);
    // The plant's cycles in time order: both machines started at the same moment.
    EXPECT_EQ(s[2].cuts[0].peak, (std::vector<uint8_t>{10, 10, 20, 20, 30}));

    // One machine's folder alone is read as before.
    const std::vector<Source> one = LoadSources({"plant/mill-1/journal"}, problems);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_NE(one[0].name, "mill-1");
}

}  // namespace
}  // namespace kvdstat
