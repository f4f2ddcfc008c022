#include <gtest/gtest.h>

#include <cstring>

#include "files/config.h"
#include "model/results.h"
#include "temp_dir.h"
#include "test_monitor.h"
#include "unwritable_file.h"

namespace {

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override { PresetConfiguration(TestConfig()); }
    TempWorkDir dir;
};

TEST_F(ConfigTest, FirstStartCreatesTheFileWithTheDefaults) {
    ASSERT_EQ(LoadConfiguration(TestConfig()), 0);
    const auto bytes = ReadAll(kConfigurationFileName);
    ASSERT_EQ(bytes.size(), 280u);
    EXPECT_EQ(bytes[0], 1);  // port 1, little-endian
    EXPECT_EQ(bytes[1], 0);
    EXPECT_STREQ(&bytes[2], "Default.$$$");
    for (int i = 2 + 12; i < 258; ++i) ASSERT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(bytes[258], 2);  // view: parameter table
    EXPECT_EQ(bytes[260], 0);  // English
    for (int i = 262; i < 280; ++i) ASSERT_EQ(bytes[i], 0) << i;
}

TEST_F(ConfigTest, SaveThenLoadRoundTripsAndKeepsReservedBytes) {
    TestConfig().PortNumber = 17;  // COM 7 with the not-open marker
    std::strcpy(TestConfig().statisticsFileName, "C:\\data\\mill.$$$");
    TestConfig().DisplayMode = 1;
    TestConfig().languageBase = 400;
    TestConfig().reserved[5] = 0xAB;
    ASSERT_EQ(SaveConfiguration(TestConfig()), 0);
    PresetConfiguration(TestConfig());
    ASSERT_EQ(LoadConfiguration(TestConfig()), 0);
    EXPECT_EQ(TestConfig().PortNumber, 17);
    EXPECT_STREQ(TestConfig().statisticsFileName, "C:\\data\\mill.$$$");
    EXPECT_EQ(TestConfig().DisplayMode, 1);
    EXPECT_EQ(TestConfig().languageBase, 400);
    EXPECT_EQ(TestConfig().reserved[5], 0xAB);
}

// A configuration the user made read-only is read all the same (another port or statistics file
// than the presets'); only a save fails, and says so.
TEST_F(ConfigTest, ReadOnlyFileIsReadAndOnlyItsSaveFails) {
    TestConfig().PortNumber = 5;
    std::strcpy(TestConfig().statisticsFileName, "mill.$$$");
    ASSERT_EQ(SaveConfiguration(TestConfig()), 0);
    PresetConfiguration(TestConfig());
    const UnwritableFile readOnly(kConfigurationFileName);
    EXPECT_EQ(LoadConfiguration(TestConfig()), 0);
    EXPECT_EQ(TestConfig().PortNumber, 5);
    EXPECT_STREQ(TestConfig().statisticsFileName, "mill.$$$");
#ifndef _WIN32  // Wine run as root writes a file with the read-only attribute all the same
    EXPECT_NE(SaveConfiguration(TestConfig()), 0);
#endif
}

TEST_F(ConfigTest, ShortFileGives30007AndKeepsThePresets) {
    std::vector<char> bytes(100, 0);
    bytes[0] = 5;
    bytes[2] = 'X';
    WriteAll(kConfigurationFileName, bytes);
    EXPECT_EQ(LoadConfiguration(TestConfig()), kResultShortTransfer);
    EXPECT_EQ(TestConfig().PortNumber, 1);
    EXPECT_STREQ(TestConfig().statisticsFileName, "Default.$$$");
    EXPECT_EQ(ReadAll(kConfigurationFileName).size(), 100u);  // not rewritten by the load
}

TEST_F(ConfigTest, LongerFileLoadsAndSaveKeepsItsTail) {
    std::vector<char> bytes(300, 0);
    bytes[0] = 3;
    std::strcpy(&bytes[2], "a.$$$");
    bytes[290] = 'T';
    WriteAll(kConfigurationFileName, bytes);
    ASSERT_EQ(LoadConfiguration(TestConfig()), 0);
    EXPECT_EQ(TestConfig().PortNumber, 3);
    TestConfig().PortNumber = 4;
    ASSERT_EQ(SaveConfiguration(TestConfig()), 0);
    const auto after = ReadAll(kConfigurationFileName);
    ASSERT_EQ(after.size(), 300u);
    EXPECT_EQ(after[0], 4);
    EXPECT_EQ(after[290], 'T');
}

// A damaged record must not lead to reads outside the language table or the name field.
TEST_F(ConfigTest, InvalidLanguageViewNameAndPortAreMended) {
    std::vector<char> bytes(280, 'Q');  // no terminating zero anywhere in the name
    bytes[0] = 0;
    bytes[1] = 1;  // port 256
    bytes[258] = 7;
    bytes[259] = 0;  // view 7
    bytes[260] = 100;
    bytes[261] = 0;  // language 100
    WriteAll(kConfigurationFileName, bytes);
    ASSERT_EQ(LoadConfiguration(TestConfig()), 0);
    EXPECT_EQ(TestConfig().PortNumber, 1);
    EXPECT_EQ(TestConfig().DisplayMode, 2);
    EXPECT_EQ(TestConfig().languageBase, 0);
    EXPECT_STREQ(TestConfig().statisticsFileName, "Default.$$$");
}

TEST_F(ConfigTest, ValidRecordIsLeftAlone) {
    ConfigurationRecord r{};
    r.PortNumber = 26;
    std::strcpy(r.statisticsFileName, "x");
    r.DisplayMode = 0;
    r.languageBase = 200;
    EXPECT_FALSE(ValidateConfiguration(r));
    EXPECT_EQ(r.PortNumber, 26);
}

TEST_F(ConfigTest, UnopenableFileGivesTheSystemErrorNumber) {
    std::filesystem::create_directory(kConfigurationFileName);  // a folder of that name
    EXPECT_NE(LoadConfiguration(TestConfig()), 0);
    EXPECT_NE(SaveConfiguration(TestConfig()), 0);
}

}  // namespace

#include "text/display_name.h"

namespace {
TEST(DisplayFileNameTest, LastComponentOrWholeName) {
    EXPECT_STREQ(DisplayFileName("C:\\data\\mill\\cut.$$$"), "cut.$$$");
    EXPECT_STREQ(DisplayFileName("Default.$$$"), "Default.$$$");
    EXPECT_STREQ(DisplayFileName("\\only.$$$"), "\\only.$$$");
    EXPECT_STREQ(DisplayFileName("dir\\"), "");
    EXPECT_STREQ(DisplayFileName(""), "");
}
}  // namespace
