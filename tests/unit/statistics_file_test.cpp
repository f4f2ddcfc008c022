#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "files/config.h"
#include "model/results.h"
#include "files/statistics_file.h"
#include "interpreter_support.h"
#include "temp_dir.h"
#include "unwritable_file.h"

#include "file_size_limit.h"
#include "services_reset.h"

namespace {

constexpr size_t kBlock = kStatisticsBlockSize;

uint16_t WordAt(const std::vector<char>& bytes, size_t offset) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[offset]) | static_cast<uint8_t>(bytes[offset + 1])
                                                                           << 8);
}

std::vector<char> BlockBytes() {
    const auto* p = reinterpret_cast<const char*>(&TestStatistics());
    return {p, p + kBlock};
}

class StatisticsFile : public InterpreterFixture {
protected:
    TempWorkDir dir;
};

TEST_F(StatisticsFile, FirstStartCreatesTheFileInUseWithAnEmptyBlock) {
    ASSERT_EQ(LoadStatisticsFile(TestFiles(), TestConfig().statisticsFileName), 0);
    const auto bytes = ReadAll("Default.$$$");
    ASSERT_EQ(bytes.size(), kBlock);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0), static_cast<long>(kBlock));
}

// The block read must not become a mixture of what was held and the file's first bytes.
TEST_F(StatisticsFile, ShortFileGives30007AndTheBlockKeepsItsContent) {
    AppendStatisticsEntry(TestStatistics(), 2, {77, 7});
    TestStatistics().reserved[0] = 0x1234;
    const auto before = BlockBytes();
    WriteAll("short.$$$", std::vector<char>(kBlock - 1, 0x11));
    EXPECT_EQ(LoadStatisticsFile(TestFiles(), "short.$$$"), kResultShortTransfer);
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
    ASSERT_EQ(LoadStatisticsFile(TestFiles(), "long.$$$"), 0);
    EXPECT_EQ(TestStatistics().reserved[0], 0x21);
    EXPECT_EQ(HeldEntries(TestStatistics(), 4), 3);
    EXPECT_EQ(TestStatistics().entries[4][2].peak, 66);

    AppendStatisticsEntry(TestStatistics(), 4, {55, 5});
    ASSERT_EQ(SaveStatisticsFile(TestFiles(), "long.$$$"), 0);
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
    ASSERT_EQ(LoadStatisticsFile(TestFiles(), "bad.$$$"), 0);
    EXPECT_EQ(TestStatistics().writeIndex[1], 0);
    EXPECT_EQ(TestStatistics().wrapMarker[2], 0);
    EXPECT_EQ(TestStatistics().writeIndex[3], 9);
}

TEST_F(StatisticsFile, OpenFailureGivesTheSystemsCode) {
    std::filesystem::create_directory("folder.$$$");
    const int32_t r = LoadStatisticsFile(TestFiles(), "folder.$$$");
    EXPECT_NE(r, 0);
    EXPECT_NE(r, kResultShortTransfer);
    EXPECT_NE(SaveStatisticsFile(TestFiles(), "folder.$$$"), 0);
}

// Scenario: the ring of a cut wraps while the real autosave writes the file in use.
TEST_F(StatisticsFile, AutosaveAfterTheWrapHoldsTheIndexesAtTheirOffsets) {
    for (int i = 0; i < 50000; ++i) AppendStatisticsEntry(TestStatistics(), 6, {1, 1});
    TestLink().storageService.saveStatistics = [](void*) { return SaveStatisticsInUse(TestFiles()); };
    Send({226, 201, 201, 90, 200});  // the 50,001st cycle of cut 6
    const auto bytes = ReadAll("Default.$$$");
    ASSERT_EQ(bytes.size(), kBlock);
    EXPECT_EQ(WordAt(bytes, 32 + 2 * 6), 1);
    EXPECT_EQ(WordAt(bytes, 64 + 2 * 6), 2);
    EXPECT_EQ(static_cast<uint8_t>(bytes[96 + 6 * 100000]), 90);
}

TEST_F(StatisticsFile, ResetClearsIndexesKeepsEntriesAndWritesTheFileInUse) {
    for (int i = 0; i < 3; ++i) {
        AppendStatisticsEntry(TestStatistics(), 0, {10, 1});
        AppendStatisticsEntry(TestStatistics(), 5, {20, 2});
    }
    ASSERT_EQ(ResetStatistics(TestFiles(), 5), 0);
    EXPECT_EQ(HeldEntries(TestStatistics(), 5), 0);
    EXPECT_EQ(HeldEntries(TestStatistics(), 0), 3);
    auto bytes = ReadAll("Default.$$$");
    ASSERT_EQ(bytes.size(), kBlock);
    EXPECT_EQ(WordAt(bytes, 32 + 2 * 5), 0);
    EXPECT_EQ(WordAt(bytes, 32 + 2 * 0), 3);
    EXPECT_EQ(bytes[96 + 5 * 100000], 20);  // the old entries stay in the file too

    ASSERT_EQ(ResetStatistics(TestFiles(), kAllCuts), 0);
    EXPECT_EQ(HeldEntries(TestStatistics(), 0), 0);
    EXPECT_EQ(WordAt(ReadAll("Default.$$$"), 32), 0);

    AppendStatisticsEntry(TestStatistics(), 0, {10, 1});
    EXPECT_EQ(ResetStatistics(TestFiles(), 16), 0);
    EXPECT_EQ(HeldEntries(TestStatistics(), 0), 1);
}

// Scenario: the file in use cannot be replaced (here a folder stands in its place) for three
// cycle ends: one run of failures, with one message, carrying the first error. The first save
// that works again ends the run, and the file holds every cycle since the start. A reset whose
// save fails returns its error (the reset shows it), and its run needs no second message.
TEST_F(StatisticsFile, AFailingAutosaveIsOneRunWithOneMessageUntilASaveWorks) {
    TestFiles().health = {};
    TestLink().storageService.saveStatistics = [](void*) { return SaveStatisticsInUse(TestFiles()); };
    std::filesystem::create_directory("Default.$$$");
    int32_t error = 0;
    for (int cycle = 0; cycle < 3; ++cycle) {
        Send({221, 201, 201, static_cast<uint16_t>(40 + cycle), 200});
        EXPECT_TRUE(AutosaveFailing(TestFiles()));
        EXPECT_EQ(TakeAutosaveFailureMessage(TestFiles(), &error), cycle == 0) << "cycle " << cycle;
    }
    EXPECT_NE(error, 0);
    EXPECT_EQ(TestFiles().health.firstError, error);

    std::filesystem::remove("Default.$$$");
    Send({221, 201, 201, 50, 200});
    EXPECT_FALSE(AutosaveFailing(TestFiles()));
    EXPECT_FALSE(TakeAutosaveFailureMessage(TestFiles(), &error));
    const auto bytes = ReadAll("Default.$$$");
    ASSERT_EQ(bytes.size(), kBlock);
    EXPECT_EQ(WordAt(bytes, 32 + 2 * 1), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(bytes[96 + 100000 + 2 * i], i < 3 ? 40 + i : 50) << i;

    std::filesystem::remove("Default.$$$");
    std::filesystem::create_directory("Default.$$$");
    EXPECT_NE(ResetStatistics(TestFiles(), kAllCuts), 0);
    EXPECT_TRUE(AutosaveFailing(TestFiles()));
    EXPECT_FALSE(TakeAutosaveFailureMessage(TestFiles(), &error));
}

TEST_F(StatisticsFile, SavingUnderANewNameMakesItTheFileInUse) {
    ASSERT_EQ(SaveStatisticsAndUse(TestFiles(), "Default.$$$"),
              0);  // the name in use: no configuration write
    EXPECT_FALSE(std::filesystem::exists(kConfigurationFileName));

    AppendStatisticsEntry(TestStatistics(), 1, {44, 4});
    ASSERT_EQ(SaveStatisticsAndUse(TestFiles(), "mill.$$$"), 0);
    EXPECT_STREQ(TestConfig().statisticsFileName, "mill.$$$");
    const auto config = ReadAll(kConfigurationFileName);
    ASSERT_EQ(config.size(), 280u);
    EXPECT_STREQ(&config[2], "mill.$$$");
    EXPECT_EQ(ReadAll("mill.$$$")[96 + 100000], 44);

    TestLink().storageService.saveStatistics = [](void*) {
        return SaveStatisticsInUse(TestFiles());
    };  // later cycles go to the new file
    Send({221, 200});
    EXPECT_EQ(WordAt(ReadAll("mill.$$$"), 32 + 2), 2);
}

// A file dialog moves the working folder while it is open, and the unit goes on cycling: the
// cycle ends meanwhile still save beside the file in use of the start, not in the folder browsed.
TEST_F(StatisticsFile, ACycleEndWhileTheWorkingFolderIsElsewhereSavesIntoTheFileInUse) {
    ASSERT_STREQ(TestConfig().statisticsFileName, "Default.$$$");
    AnchorStatisticsFileInUse(TestFiles());
    std::filesystem::create_directory("browsed");
    std::filesystem::current_path("browsed");
    TestLink().storageService.saveStatistics = [](void*) { return SaveStatisticsInUse(TestFiles()); };
    Send({221, 200});
    std::filesystem::current_path(dir.path());
    EXPECT_FALSE(std::filesystem::exists("browsed/Default.$$$"));
    EXPECT_EQ(WordAt(ReadAll("Default.$$$"), 32 + 2), 1);
}

// The statistics are safe in the new file either way; what the caller must learn is whether the
// configuration file took its name, since the next start would otherwise autosave into the old one.
TEST_F(StatisticsFile, TheConfigurationsResultAfterANewFileInUseReachesTheCaller) {
    struct Case {
        bool load;
        const char* name;
        bool configurationWritable;
        bool reported;  // a non-zero configuration result
    } cases[] = {
        {false, "saved.$$$", true, false},
        {false, "saved2.$$$", false, true},
        {true, "loaded.$$$", false, true},
        {false, "loaded.$$$", false, false},  // the name in use: no write
    };
    ASSERT_EQ(SaveConfiguration(TestConfig()), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t configuration = -1;
        {
            // A folder in its place: unwritable whoever runs the test (root under Wine too).
            if (!c.configurationWritable) {
                std::filesystem::remove(kConfigurationFileName);
                std::filesystem::create_directory(kConfigurationFileName);
            }
            const int32_t r = c.load ? LoadStatisticsAndUse(TestFiles(), c.name, &configuration)
                                     : SaveStatisticsAndUse(TestFiles(), c.name, &configuration);
            ASSERT_EQ(r, 0);
            if (!c.configurationWritable) std::filesystem::remove(kConfigurationFileName);
        }
        EXPECT_EQ(configuration != 0, c.reported);
        EXPECT_STREQ(TestConfig().statisticsFileName, c.name);
    }
}

TEST_F(StatisticsFile, LoadingANewNameCreatesItWithTheBlockHeldNow) {
    AppendStatisticsEntry(TestStatistics(), 3, {33, 3});
    ASSERT_EQ(LoadStatisticsAndUse(TestFiles(), "new.$$$"), 0);
    EXPECT_STREQ(TestConfig().statisticsFileName, "new.$$$");
    const auto bytes = ReadAll("new.$$$");
    ASSERT_EQ(bytes.size(), kBlock);
    EXPECT_EQ(bytes[96 + 3 * 100000], 33);
}

TEST_F(StatisticsFile, FailedLoadKeepsTheFileInUse) {
    WriteAll("short.$$$", std::vector<char>(100, 0));
    EXPECT_EQ(LoadStatisticsAndUse(TestFiles(), "short.$$$"), kResultShortTransfer);
    EXPECT_STREQ(TestConfig().statisticsFileName, "Default.$$$");
    EXPECT_FALSE(std::filesystem::exists(kConfigurationFileName));
}

// A file in use that fails to load holds its history: cycles end, and the autosave leaves it as
// it was, until the user decides. Each decision resumes the autosave. Run for a file cut short
// and for one that cannot be read, against each decision.
TEST_F(StatisticsFile, FileInUseThatFailedToLoadIsLeftAloneUntilTheUserDecides) {
    enum Decision { kLoadGoodFile, kSaveAs, kReset };
    for (const bool cutShort : {true, false}) {
        for (const Decision decision : {kLoadGoodFile, kSaveAs, kReset}) {
            SCOPED_TRACE(std::string(cutShort ? "cut short" : "unreadable") + ", decision " +
                         std::to_string(decision));
            std::filesystem::remove_all("Default.$$$");
            ResetModel(TestModel(), TestStatistics());
            PresetConfiguration(TestConfig());
            if (cutShort)
                WriteAll("Default.$$$", std::vector<char>(kBlock - 3, 0x11));
            else
                std::filesystem::create_directory("Default.$$$");  // opens, but every read fails
            AppendStatisticsEntry(TestStatistics(), 0, {9, 9});
            WriteAll("good.$$$", BlockBytes());

            // Start: the load fails and the autosave is held.
            ResetModel(TestModel(), TestStatistics());
            EXPECT_NE(LoadStatisticsInUse(TestFiles()), 0);
            EXPECT_TRUE(StatisticsAutosaveHeld(TestFiles()));
            // Cycles end as the interpreter ends them; a failed Load statistics of the same file
            // changes nothing either.
            for (int cycle = 0; cycle < 3; ++cycle) {
                std::lock_guard<std::mutex> lock(TestStatisticsLock());
                AppendStatisticsEntry(TestStatistics(), 1, {50, 5});
                SaveStatisticsInUse(TestFiles());
            }
            EXPECT_NE(LoadStatisticsAndUse(TestFiles(), "Default.$$$"), 0);
            EXPECT_TRUE(StatisticsAutosaveHeld(TestFiles()));
            // Resetting one cut is no decision about the whole file.
            ResetStatistics(TestFiles(), 1);
            EXPECT_TRUE(StatisticsAutosaveHeld(TestFiles()));
            if (cutShort) {
                EXPECT_EQ(ReadAll("Default.$$$"), std::vector<char>(kBlock - 3, 0x11));
            } else {
                EXPECT_TRUE(std::filesystem::is_directory("Default.$$$"));
            }
            EXPECT_FALSE(std::filesystem::exists("Default.$$$.tmp"));

            // The user decides; the next cycle is saved into the file in use.
            switch (decision) {
                case kLoadGoodFile:
                    ASSERT_EQ(LoadStatisticsAndUse(TestFiles(), "good.$$$"), 0);
                    break;
                case kSaveAs:
                    ASSERT_EQ(SaveStatisticsAndUse(TestFiles(), "saved.$$$"), 0);
                    break;
                case kReset:
                    ResetStatistics(TestFiles(), kAllCuts);
                    break;
            }
            EXPECT_FALSE(StatisticsAutosaveHeld(TestFiles()));
            {
                std::lock_guard<std::mutex> lock(TestStatisticsLock());
                AppendStatisticsEntry(TestStatistics(), 1, {61, 6});
                SaveStatisticsInUse(TestFiles());
            }
            if (decision != kReset || cutShort) {
                const auto inUse = ReadAll(TestConfig().statisticsFileName);
                ASSERT_EQ(inUse.size(), kBlock);
                EXPECT_EQ(inUse, BlockBytes());
            }
            if (decision != kReset && cutShort) {
                EXPECT_EQ(ReadAll("Default.$$$").size(), kBlock - 3);
            }
        }
    }
}

// A cycle end between loading a file and making it the file in use would save the new block
// under the old name. The reader side here checks, at every moment it gets the lock, that the
// block it would save belongs to the name in use.
TEST_F(StatisticsFile, LoadAndSwitchHappenUnderOneHoldOfTheLock) {
    TestStatistics().reserved[0] = 'a';
    ASSERT_EQ(SaveStatisticsFile(TestFiles(), "a.$$$"), 0);
    TestStatistics().reserved[0] = 'b';
    ASSERT_EQ(SaveStatisticsFile(TestFiles(), "b.$$$"), 0);
    ASSERT_EQ(LoadStatisticsAndUse(TestFiles(), "a.$$$"), 0);

    std::atomic<bool> done{false};
    std::atomic<int> mismatches{0}, looks{0};
    std::thread reader([&] {
        while (!done) {
            // Spins for the lock like a reader with a cycle end ready, so it takes any gap.
            if (!TestStatisticsLock().try_lock()) continue;
            const char name = TestConfig().statisticsFileName[0];
            if (TestStatistics().reserved[0] != name) ++mismatches;
            ++looks;
            TestStatisticsLock().unlock();
        }
    });
    // The gap, where there was one, is a few instructions wide: many switches to find it (fewer
    // under the sanitizers, where each 1.6 MB load costs forty times as much).
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    constexpr int kSwitches = 200;
#else
    constexpr int kSwitches = 2000;
#endif
    while (looks == 0) std::this_thread::yield();  // the reader is spinning
    const int looksBefore = looks;
    int failedLoads = 0;
    for (int i = 0; i < kSwitches; ++i) {
        if (LoadStatisticsAndUse(TestFiles(), i % 2 ? "a.$$$" : "b.$$$") != 0) ++failedLoads;
        std::this_thread::yield();  // the lock is not fair: the reader gets its turns between switches too
    }
    done = true;
    reader.join();
    EXPECT_EQ(failedLoads, 0);
    EXPECT_GT(looks.load(), looksBefore);  // it looked while the switches ran
    EXPECT_EQ(mismatches.load(), 0);
}

#ifndef _WIN32
// A full disk while saving: the system's code, never success, and the file saved before stays
// whole (before, it was cut to what fitted, and the next start failed to load it).
TEST_F(StatisticsFile, FullDiskIsReportedAndTheOldFileStaysWhole) {
    AppendStatisticsEntry(TestStatistics(), 3, {40, 4});
    ASSERT_EQ(SaveStatisticsFile(TestFiles(), "full.$$$"), 0);
    const auto before = ReadAll("full.$$$");
    AppendStatisticsEntry(TestStatistics(), 3, {41, 4});
    int32_t r;
    {
        FileSizeLimit full(1000);
        r = SaveStatisticsFile(TestFiles(), "full.$$$");
    }
    EXPECT_EQ(r, EFBIG);
    EXPECT_EQ(ReadAll("full.$$$"), before);
    EXPECT_FALSE(std::filesystem::exists("full.$$$.tmp"));
}
#endif

}  // namespace
