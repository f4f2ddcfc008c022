#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "files/export.h"
#include "files/statistics_file.h"
#include "model/model.h"
#include "temp_dir.h"

#include "file_size_limit.h"
#include "test_monitor.h"

namespace {

std::vector<std::string> ExportedLines(StatisticsKind kind, int cut) {
    EXPECT_EQ(WriteStatisticsExport(TestStatistics(), TestStatisticsLock(), "out.xls", kind, cut), 0);
    const auto bytes = ReadAll("out.xls");
    std::vector<std::string> lines;
    std::string line;
    for (char c : bytes) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    EXPECT_TRUE(line.empty()) << "every line ends with a line feed";
    return lines;
}

class Export : public ::testing::Test {
protected:
    void SetUp() override { ResetModel(TestModel(), TestStatistics()); }
    TempWorkDir dir;
};

TEST_F(Export, CyclesInTheOrderTheyEndedPowerOrWork) {
    AppendStatisticsEntry(TestStatistics(), 2, {39, 34});
    AppendStatisticsEntry(TestStatistics(), 2, {100, 0});
    AppendStatisticsEntry(TestStatistics(), 2, {5, 100});
    AppendStatisticsEntry(TestStatistics(), 3, {1, 1});
    EXPECT_EQ(ExportedLines(kPowerStatistics, 2), (std::vector<std::string>{"39", "100", "5"}));
    EXPECT_EQ(ExportedLines(kWorkStatistics, 2), (std::vector<std::string>{"34", "0", "100"}));
    EXPECT_EQ(ReadAll("out.xls"), (std::vector<char>{'3', '4', '\n', '0', '\n', '1', '0', '0', '\n'}));
}

TEST_F(Export, AfterAResetTheFileIsEmptyAndReplacesAnOldOne) {
    WriteAll("out.xls", std::vector<char>(50, 'x'));
    AppendStatisticsEntry(TestStatistics(), 0, {9, 9});
    ResetCutStatistics(TestStatistics(), 0);
    EXPECT_TRUE(ExportedLines(kPowerStatistics, 0).empty());
    EXPECT_EQ(std::filesystem::file_size("out.xls"), 0u);
}

// After the wrap the oldest entry is the one at wrapMarker, and the one at writeIndex (the next
// to be overwritten) is left out.
TEST_F(Export, AfterTheWrapOldestFirstAndTheNextToBeOverwrittenLeftOut) {
    const int cut = 15;
    for (int i = 0; i < 50001; ++i)
        AppendStatisticsEntry(TestStatistics(), cut,
                              {static_cast<uint8_t>(i % 100), static_cast<uint8_t>(i % 7)});
    ASSERT_EQ(TestStatistics().writeIndex[cut], 1);
    ASSERT_EQ(TestStatistics().wrapMarker[cut], 2);
    const auto lines = ExportedLines(kPowerStatistics, cut);
    ASSERT_EQ(lines.size(), 49999u);
    EXPECT_EQ(lines.front(), std::to_string(2 % 100));     // cycle 2, at entry 2
    EXPECT_EQ(lines[49997], std::to_string(49999 % 100));  // cycle 49,999, at entry 49,999
    EXPECT_EQ(lines.back(), std::to_string(50000 % 100));  // cycle 50,000, at entry 0
}

TEST_F(Export, RequestsTheMenuNeverMakesWriteNothing) {
    EXPECT_EQ(WriteStatisticsExport(TestStatistics(), TestStatisticsLock(), "out.xls",
                                    static_cast<StatisticsKind>(2), 0),
              kExportBadRequest);
    EXPECT_EQ(WriteStatisticsExport(TestStatistics(), TestStatisticsLock(), "out.xls", kPowerStatistics, 16),
              kExportBadRequest);
    EXPECT_EQ(WriteStatisticsExport(TestStatistics(), TestStatisticsLock(), "out.xls", kPowerStatistics, -1),
              kExportBadRequest);
    EXPECT_FALSE(std::filesystem::exists("out.xls"));
}

TEST_F(Export, CreateFailureGivesTheSystemsCode) {
    std::filesystem::create_directory("dir.xls");
    EXPECT_NE(WriteStatisticsExport(TestStatistics(), TestStatisticsLock(), "dir.xls", kPowerStatistics, 0),
              0);
}

#ifndef _WIN32
// A write that fails part-way: its error code, and an export that was there stays as it was
// (before, the first lines replaced it and the rest was lost).
TEST_F(Export, FailedWriteLeavesTheOldFileAsItWas) {
    for (int i = 0; i < 5; ++i) AppendStatisticsEntry(TestStatistics(), 1, {100, 0});
    WriteAll("out.xls", {'4', '2', '\n'});
    int32_t r;
    {
        FileSizeLimit full(8);  // room for two lines "100\n"
        r = WriteStatisticsExport(TestStatistics(), TestStatisticsLock(), "out.xls", kPowerStatistics, 1);
    }
    EXPECT_EQ(r, EFBIG);
    const auto bytes = ReadAll("out.xls");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "42\n");
    EXPECT_FALSE(std::filesystem::exists("out.xls.tmp"));
}
#endif

}  // namespace
