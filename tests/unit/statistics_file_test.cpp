#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "files/config.h"
#include "files/results.h"
#include "files/statistics_file.h"
#include "interpreter_support.h"
#include "temp_dir.h"

#include "file_size_limit.h"
#include "services_reset.h"

namespace {

constexpr size_t kBlock = kStatisticsBlockSize;

uint16_t WordAt(const std::vector<char>& bytes, size_t offset) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[offset]) | static_cast<uint8_t>(bytes[offset + 1])
                                                                           << 8);
}

std::vector<char> BlockBytes() {
    const auto* p = reinterpret_cast<const char*>(&gStatistics);
    return {p, p + kBlock};
}

class StatisticsFile : public InterpreterFixture {
protected:
    TempWorkDir dir;
};

TEST_F(StatisticsFile, FirstStartCreatesTheFileInUseWithAnEmptyBlock) {
    ASSERT_EQ(LoadStatisticsFile(gConfig.statisticsFileName), 0);
    const auto bytes = ReadAll("Default.$$$");
    ASSERT_EQ(bytes.size(), kBlock);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0), static_cast<long>(kBlock));
}

// The block read must not become a mixture of what was held and the file's first bytes.
TEST_F(StatisticsFile, ShortFileGives30007AndTheBlockKeepsItsContent) {
    AppendStatisticsEntry(gStatistics, 2, {77, 7});
    gStatistics.reserved[0] = 0x1234;
    const auto before = BlockBytes();
    WriteAll("short.$$$", std::vector<char>(kBlock - 1, 0x11));
    EXPECT_EQ(LoadStatisticsFile("short.$$$"), kResultShortTransfer);
    EXPECT_EQ(BlockBytes(), before);
    EXPECT_EQ(ReadAll("short.$$$").size(), kBlock - 1);  // the file is not rewritten
}

TEST_F(StatisticsFile, LongerFileLoadsAndASaveKeepsItsTail) {
    std::vector<char> bytes(kBlock + 10, 0);
    bytes[0] = 0x21;                      // reserved word 0: carried through
    bytes[32 + 2 * 4] = 3;                // writeIndex of cut 4
    bytes[96 + 4 * 100000 + 2 * 2] = 66;  // cut 4, entry 2, peak
    bytes[kBlock + 5] = 'T';
    WriteAll("long.$$$", bytes);
    ASSERT_EQ(LoadStatisticsFile("long.$$$"), 0);
    EXPECT_EQ(gStatistics.reserved[0], 0x21);
    EXPECT_EQ(HeldEntries(gStatistics, 4), 3);
    EXPECT_EQ(gStatistics.entries[4][2].peak, 66);

    AppendStatisticsEntry(gStatistics, 4, {55, 5});
    ASSERT_EQ(SaveStatisticsFile("long.$$$"), 0);
    const auto after = ReadAll("long.$$$");
    ASSERT_EQ(after.size(), kBlock + 10);
    EXPECT_EQ(after[0], 0x21);
    EXPECT_EQ(WordAt(after, 32 + 2 * 4), 4);
    EXPECT_EQ(after[96 + 4 * 100000 + 2 * 3], 55);
    EXPECT_EQ(after[kBlock + 5], 'T');
}

// Indexes beyond a ring would send the chart and the export outside the cut's entries.
TEST_F(StatisticsFile, IndexesOutsideTheRingAreMendedOnLoad) {
    std::vector<char> bytes(kBlock, 0);
    bytes[32 + 2 * 1] = static_cast<char>(0x50);  // writeIndex of cut 1: 50,000 (0xC350)
    bytes[32 + 2 * 1 + 1] = static_cast<char>(0xC3);
    bytes[64 + 2 * 2] = static_cast<char>(0xFF);  // wrapMarker of cut 2: 65,535
    bytes[64 + 2 * 2 + 1] = static_cast<char>(0xFF);
    bytes[32 + 2 * 3] = 9;  // cut 3 is sound
    WriteAll("bad.$$$", bytes);
    ASSERT_EQ(LoadStatisticsFile("bad.$$$"), 0);
    EXPECT_EQ(gStatistics.writeIndex[1], 0);
    EXPECT_EQ(gStatistics.wrapMarker[2], 0);
    EXPECT_EQ(gStatistics.writeIndex[3], 9);
}

TEST_F(StatisticsFile, OpenFailureGivesTheSystemsCode) {
    std::filesystem::create_directory("folder.$$$");
    const int32_t r = LoadStatisticsFile("folder.$$$");
    EXPECT_NE(r, 0);
    EXPECT_NE(r, kResultShortTransfer);
    EXPECT_NE(SaveStatisticsFile("folder.$$$"), 0);
}

// Scenario: the ring of a cut wraps while the real autosave writes the file in use.
TEST_F(StatisticsFile, AutosaveAfterTheWrapHoldsTheIndexesAtTheirOffsets) {
    for (int i = 0; i < 50000; ++i) AppendStatisticsEntry(gStatistics, 6, {1, 1});
    gStorageService.saveStatistics = SaveStatisticsInUse;
    Send({226, 201, 201, 90, 200});  // the 50,001st cycle of cut 6
    const auto bytes = ReadAll("Default.$$$");
    ASSERT_EQ(bytes.size(), kBlock);
    EXPECT_EQ(WordAt(bytes, 32 + 2 * 6), 1);
    EXPECT_EQ(WordAt(bytes, 64 + 2 * 6), 2);
    EXPECT_EQ(static_cast<uint8_t>(bytes[96 + 6 * 100000]), 90);
}

TEST_F(StatisticsFile, ResetClearsIndexesKeepsEntriesAndWritesTheFileInUse) {
    for (int i = 0; i < 3; ++i) {
        AppendStatisticsEntry(gStatistics, 0, {10, 1});
        AppendStatisticsEntry(gStatistics, 5, {20, 2});
    }
    ASSERT_EQ(ResetStatistics(5), 0);
    EXPECT_EQ(HeldEntries(gStatistics, 5), 0);
    EXPECT_EQ(HeldEntries(gStatistics, 0), 3);
    auto bytes = ReadAll("Default.$$$");
    ASSERT_EQ(bytes.size(), kBlock);
    EXPECT_EQ(WordAt(bytes, 32 + 2 * 5), 0);
    EXPECT_EQ(WordAt(bytes, 32 + 2 * 0), 3);
    EXPECT_EQ(bytes[96 + 5 * 100000], 20);  // the old entries stay in the file too

    ASSERT_EQ(ResetStatistics(kAllCuts), 0);
    EXPECT_EQ(HeldEntries(gStatistics, 0), 0);
    EXPECT_EQ(WordAt(ReadAll("Default.$$$"), 32), 0);

    AppendStatisticsEntry(gStatistics, 0, {10, 1});
    EXPECT_EQ(ResetStatistics(16), 0);
    EXPECT_EQ(HeldEntries(gStatistics, 0), 1);
}

TEST_F(StatisticsFile, SavingUnderANewNameMakesItTheFileInUse) {
    ASSERT_EQ(SaveStatisticsAndUse("Default.$$$"), 0);  // the name in use: no configuration write
    EXPECT_FALSE(std::filesystem::exists(kConfigurationFileName));

    AppendStatisticsEntry(gStatistics, 1, {44, 4});
    ASSERT_EQ(SaveStatisticsAndUse("mill.$$$"), 0);
    EXPECT_STREQ(gConfig.statisticsFileName, "mill.$$$");
    const auto config = ReadAll(kConfigurationFileName);
    ASSERT_EQ(config.size(), 280u);
    EXPECT_STREQ(&config[2], "mill.$$$");
    EXPECT_EQ(ReadAll("mill.$$$")[96 + 100000], 44);

    gStorageService.saveStatistics = SaveStatisticsInUse;  // later cycles go to the new file
    Send({221, 200});
    EXPECT_EQ(WordAt(ReadAll("mill.$$$"), 32 + 2), 2);
}

TEST_F(StatisticsFile, LoadingANewNameCreatesItWithTheBlockHeldNow) {
    AppendStatisticsEntry(gStatistics, 3, {33, 3});
    ASSERT_EQ(LoadStatisticsAndUse("new.$$$"), 0);
    EXPECT_STREQ(gConfig.statisticsFileName, "new.$$$");
    const auto bytes = ReadAll("new.$$$");
    ASSERT_EQ(bytes.size(), kBlock);
    EXPECT_EQ(bytes[96 + 3 * 100000], 33);
}

TEST_F(StatisticsFile, FailedLoadKeepsTheFileInUse) {
    WriteAll("short.$$$", std::vector<char>(100, 0));
    EXPECT_EQ(LoadStatisticsAndUse("short.$$$"), kResultShortTransfer);
    EXPECT_STREQ(gConfig.statisticsFileName, "Default.$$$");
    EXPECT_FALSE(std::filesystem::exists(kConfigurationFileName));
}

#ifndef _WIN32
// A full disk while saving: the system's code, never success.
TEST_F(StatisticsFile, FullDiskIsReported) {
    int32_t r;
    {
        FileSizeLimit full(1000);
        r = SaveStatisticsFile("full.$$$");
    }
    EXPECT_EQ(r, EFBIG);
}
#endif

}  // namespace
