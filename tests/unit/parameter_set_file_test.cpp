#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "files/config.h"
#include "text/text_ids.h"
#include "files/parameter_set_fields.h"
#include "files/parameter_set_file.h"
#include "model/results.h"
#include "model/parameters.h"
#include "link/command_queue.h"
#include "model/model.h"
#include "link/transmit_ring.h"
#include "text/language.h"
#include "sent_words.h"
#include "temp_dir.h"
#include "file_size_limit.h"
#include "test_monitor.h"

namespace {

constexpr const char* kFile = "set.kvd";

class ParameterSetFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetModel(TestModel(), TestStatistics());
        WriteParameterDefaults(TestModel());
        PresetConfiguration(TestConfig());
        ResetCommandQueue(TestLink());
        TestLink().ring = TransmitRing{};
    }
    TempWorkDir dir;
};

int MaxOfCutWord(int word) {
    for (const BaseCode& b : kBaseCodes)
        if (!b.common && b.word == word) return b.maxValue;
    return 0;
}

// Live parameters with a different value in every field, the largest of each range included.
void StageLiveSet(uint16_t rangeDecimals, uint16_t rangeValue) {
    for (int c = 0; c < kCutCount; ++c)
        for (int w = 0; w < kCutWordCount; ++w)
            CutWord(TestModel().cutParameters[c], w) =
                static_cast<uint16_t>(MaxOfCutWord(w) - (c * 7 + w) % (MaxOfCutWord(w) + 1));
    TestModel().common = CommonParameters{25, 3, 255, 8, rangeDecimals, rangeValue, 9};
}

void ExpectLoadedEqualsLive() {
    const LoadedParameterSet& set = TestModel().loadedParameterSet;
    for (int c = 0; c < kCutCount; ++c)
        for (int w = 0; w < kCutWordCount; ++w)
            EXPECT_EQ(CutWordValue(set.cuts[c], w), CutWordValue(TestModel().cutParameters[c], w))
                << "cut " << c << " word " << w;
    const CommonParameters& live = TestModel().common;
    EXPECT_EQ(set.average, live.average);
    EXPECT_EQ(set.poSamples, live.poSamples);
    EXPECT_EQ(set.unitId, live.unitId);
    EXPECT_EQ(set.debounce, live.debounce);
    EXPECT_EQ(set.rangeDecimals, live.rangeDecimals);
    EXPECT_EQ(set.rangeValue, live.rangeValue);
}

std::string Saved() {
    EXPECT_EQ(WriteParameterSetFile(TestModel(), kFile), 0);
    const auto bytes = ReadAll(kFile);
    return {bytes.begin(), bytes.end()};
}

int32_t Load(const std::string& text) {
    WriteAll(kFile, {text.begin(), text.end()});
    return ReadParameterSetFile(TestModel(), kFile);
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

std::string Join(const std::vector<std::string>& parts, char separator) {
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i) text += (i ? std::string(1, separator) : "") + parts[i];
    return text;
}

// Field `field` (0 = label) of line `line` (1-based) replaced.
std::string WithField(const std::string& text, int line, int field, const std::string& value) {
    auto lines = Split(text, '\n');
    auto fields = Split(lines[line - 1], '\t');
    fields[field] = value;
    lines[line - 1] = Join(fields, '\t');
    return Join(lines, '\n');
}

std::string Row(const char* label, const char* cell) {
    std::string row = label;
    for (int i = 0; i < 16; ++i) row += std::string("\t") + cell;
    return row + "\n";
}

TEST_F(ParameterSetFileTest, DefaultsAreWrittenInTheExactFormat) {
    std::string expected =
        "KVD-ID       \t0\n"
        "Average      \t4\n"
        "Po [samples] \t4\n"
        "Debounce     \t2\n"
        "Range [kW]   \t0.00\n"
        "\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t15\t16\n";
    expected += Row("Break Limit  ", "50") + Row("Blunt Limit  ", "30") + Row("Missing Limit", "10") +
                Row("Break Delay  ", "0.1") + Row("Blunt Delay  ", "10.0") + Row("Missing Delay", "5.0") +
                Row("Blunt Mode   ", "0") + Row("Blunt Alarm  ", "0") + Row("Blunt Count  ", "1") +
                Row("Missing Count", "1") + Row("Tw           ", "0.0") + Row("Ts           ", "2.0") +
                Row("Ta           ", "0.0") + Row("Ta on Blunt  ", "1") + Row("Work Divisor ", "9") +
                Row("P1Max        ", "100") + Row("P1Min        ", "0") + Row("Cycles/Screen", "1");
    EXPECT_EQ(Saved(), expected);
}

// Save then load, in each language and range mode: the staged set equals the live one.
TEST_F(ParameterSetFileTest, SaveThenLoadGivesTheLiveParametersInEveryLanguage) {
    const struct {
        uint16_t language, rangeDecimals, rangeValue;
        const char* rangeText;
    } cases[] = {
        {kLanguageEnglish, 0, 999, "9.99"}, {kLanguageEnglish, 0, 5, "0.05"},
        {kLanguageGerman, 1, 150, "15.0"},  {kLanguageGerman, 1, 50, "5.0"},
        {kLanguageDanish, 2, 150, "150"},   {kLanguageDanish, 2, 7, "7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rangeText);
        StageLiveSet(c.rangeDecimals, c.rangeValue);
        TestConfig().languageBase = c.language;
        const std::string text = Saved();
        EXPECT_EQ(Split(text, '\n')[4], std::string(GetText(kLabelRange)) + "\t" + c.rangeText);
        TestModel().loadedParameterSet = LoadedParameterSet{};
        ASSERT_EQ(ReadParameterSetFile(TestModel(), kFile), 0);
        ExpectLoadedEqualsLive();
        EXPECT_EQ(TestModel().loadedParameterSet.debounce, 8);  // written as 9
    }
}

TEST_F(ParameterSetFileTest, FileSavedInGermanLoadsInEnglish) {
    StageLiveSet(1, 123);
    TestConfig().languageBase = kLanguageGerman;
    const std::string text = Saved();
    EXPECT_NE(text.find("Stumpf Z\xE4hler\t"), std::string::npos);  // code page 1252
    TestConfig().languageBase = kLanguageEnglish;
    ASSERT_EQ(ReadParameterSetFile(TestModel(), kFile), 0);
    ExpectLoadedEqualsLive();
}

TEST_F(ParameterSetFileTest, FilesThatAreNoParameterSet) {
    const std::string good = Saved();
    EXPECT_EQ(Load(WithField(good, 1, 0, "Average      ")), kResultNotParameterSet);
    EXPECT_EQ(Load(WithField(good, 1, 0, "KVD-ID")), kResultNotParameterSet);          // unpadded
    EXPECT_EQ(Load(WithField(good, 1, 0, "KVD-ID        ")), kResultNotParameterSet);  // 14 characters
    EXPECT_EQ(Load(WithField(WithField(good, 1, 0, "P1Max        "), 1, 1, "1234567")),
              kResultNotParameterSet);  // the label decides, whatever the value
    EXPECT_EQ(Load(""), kResultNotParameterSet);
    EXPECT_EQ(Load("just some text without a tab"), kResultNotParameterSet);
    // A name that does not exist is created empty, reads as no parameter set, and stays.
    EXPECT_EQ(ReadParameterSetFile(TestModel(), "new.kvd"), kResultNotParameterSet);
    EXPECT_TRUE(std::filesystem::exists("new.kvd"));
}

// Each reader's own number for a field that is too long or has no defined reading.
TEST_F(ParameterSetFileTest, MalformedFieldsGiveTheirReadersNumber) {
    const std::string good = Saved();
    const struct {
        int line, field;
        const char* value;
        int32_t result;
    } cases[] = {
        {1, 1, "1234567", kResultBadLabelledValue},
        {2, 0, "Average       ", kResultBadLabelledValue},  // label of 14 characters
        {3, 1, "1234567", kResultBadLabelledValue},
        {4, 1, "two", kResultBadLabelledValue},
        {5, 1, "1.50000", kResultBadRange},
        {5, 1, "1.5.0", kResultBadRange},
        {5, 1, "x", kResultBadRange},
        {7, 4, "1234567", kResultBadIntegerCell},  // seven digits
        {7, 4, "", kResultBadIntegerCell},         // an empty cell is no value, not 0
        {7, 4, "1.5", kResultBadIntegerCell},
        {15, 16, "12abc", kResultBadIntegerCell},
        {10, 1, "12.3456", kResultBadTenthsCell},
        {10, 1, "25", kResultBadTenthsCell},      // no point
        {11, 16, "100.0", kResultBadTenthsCell},  // three digits before the point
        {17, 8, "2.55", kResultBadTenthsCell},
        {18, 3, ".5", kResultBadTenthsCell},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "line " << c.line << " field " << c.field << " '" << c.value << "'");
        EXPECT_EQ(Load(WithField(good, c.line, c.field, c.value)), c.result);
    }
}

TEST_F(ParameterSetFileTest, RangeReadings) {
    const std::string good = Saved();
    const struct {
        const char* text;
        uint16_t mode, value;
    } cases[] = {
        {"1.50", 0, 150},
        {"15.0", 1, 150},
        {"150", 2, 150},
        {"0.05", 0, 5},
        {"9.99", 0, 999},
        // Regression: 5.0 (mode 1, 50) was read as 0.50 (mode 0, 50), a tenth of the range.
        {"5.0", 1, 50},
        {"1.5", 1, 15},
        {"5", 2, 5},
        {"50", 2, 50},
        {" 1.50\r", 0, 150},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_EQ(Load(WithField(good, 5, 1, c.text)), 0);
        EXPECT_EQ(TestModel().loadedParameterSet.rangeDecimals, c.mode);
        EXPECT_EQ(TestModel().loadedParameterSet.rangeValue, c.value);
    }
}

TEST_F(ParameterSetFileTest, DebounceIsReadAsDisplayed) {
    const std::string good = Saved();
    ASSERT_EQ(Load(WithField(good, 4, 1, "3")), 0);
    EXPECT_EQ(TestModel().loadedParameterSet.debounce, 2);
    EXPECT_EQ(Load(WithField(good, 4, 1, "0")), kResultValueOutOfRange);   // would be stored as -1
    EXPECT_EQ(Load(WithField(good, 4, 1, "10")), kResultValueOutOfRange);  // stored 9, above 8
}

// Load it as File / Load parameterset does: upload only after result 0, then run the timer.
TEST_F(ParameterSetFileTest, OutOfRangeValuesNeverReachTheUnit) {
    const std::string good = Saved();
    const struct {
        int line, field;
        const char* value;
    } cases[] = {
        {7, 4, "101"},     // Break Limit 101 would be sent as Break Delay 0
        {7, 4, "65636"},   // 100 after the 16-bit cut: still not what the file says
        {23, 16, "91"},    // P1Min
        {12, 1, "25.1"},   // Missing Delay 251 tenths
        {8, 2, "-1"},      // 65535 in 16 bits
        {24, 9, "30001"},  // a value, not an error number
        {1, 1, "256"},     // Unit ID
        {2, 1, "26"},      // Average
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const int32_t result = Load(WithField(good, c.line, c.field, c.value));
        EXPECT_EQ(result, kResultValueOutOfRange);
        if (result == 0) {
            TestLink().uploadProgress = 1;
            EXPECT_TRUE(UploadParameterSet(TestLink()));
        }
        EXPECT_TRUE(PumpTicks(kParameterSetWords + 1).empty());
        EXPECT_EQ(QueuedWords(TestLink()), 0);
    }
}

// Regression: a load that failed half-way left a half-new staged set behind.
TEST_F(ParameterSetFileTest, FailedLoadLeavesTheStagedSetAsItWas) {
    const std::string good = Saved();
    TestModel().loadedParameterSet.cuts[0].breakLimit = 77;
    EXPECT_EQ(Load(WithField(good, 24, 16, "9")), kResultValueOutOfRange);
    EXPECT_EQ(TestModel().loadedParameterSet.cuts[0].breakLimit, 77);
}

// Every early end of a good file is a failure: 30001 while the signature is incomplete, then 30007.
TEST_F(ParameterSetFileTest, TruncatedFileNeverLoads) {
    StageLiveSet(0, 321);
    const std::string good = Saved();
    const size_t signature = std::strlen("KVD-ID       \t");
    for (size_t n = 0; n < good.size(); ++n) {
        const int32_t result = Load(good.substr(0, n));
        ASSERT_EQ(result, n < signature ? kResultNotParameterSet : kResultShortTransfer) << n << " bytes";
    }
    EXPECT_EQ(Load(good), 0);
}

TEST_F(ParameterSetFileTest, RowsOfTheWrongLength) {
    const std::string good = Saved();
    auto lines = Split(good, '\n');
    // A row with 15 cells would make the next row's label a cell.
    auto shortened = lines;
    shortened[6] = shortened[6].substr(0, shortened[6].rfind('\t'));
    EXPECT_EQ(Load(Join(shortened, '\n')), kResultBadIntegerCell);
    // Cells beyond the 16th belong to no cut and are passed over.
    auto widened = lines;
    for (int i = 6; i < 24; ++i) widened[i] += "\t99\t98";
    EXPECT_EQ(Load(Join(widened, '\n')), 0);
    ExpectLoadedEqualsLive();
    // An empty line where a row should be.
    lines.insert(lines.begin() + 10, "");
    EXPECT_EQ(Load(Join(lines, '\n')), kResultBadTenthsCell);
}

TEST_F(ParameterSetFileTest, CarriageReturnsBeforeTheLineFeedsAreHarmless) {
    StageLiveSet(1, 999);
    std::string crlf;
    for (char c : Saved()) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ASSERT_EQ(Load(crlf), 0);
    ExpectLoadedEqualsLive();
}

// A failed save reports the failure and leaves a set saved before as it was: the lines go to a
// file beside it, which replaces it only once complete.
TEST_F(ParameterSetFileTest, FailedSaveDoesNotReportSuccess) {
#ifndef _WIN32
    ASSERT_EQ(WriteParameterSetFile(TestModel(), "old.kvd"), 0);
    const auto before = ReadAll("old.kvd");
    TestModel().cutParameters[0].breakLimit = 77;
    int32_t r;
    {
        FileSizeLimit full(100);  // the disk fills after 100 bytes
        r = WriteParameterSetFile(TestModel(), "old.kvd");
    }
    EXPECT_EQ(r, EFBIG);
    EXPECT_EQ(ReadAll("old.kvd"), before);
    EXPECT_FALSE(std::filesystem::exists("old.kvd.tmp"));
#endif
    std::filesystem::create_directory("folder.kvd");
    EXPECT_NE(WriteParameterSetFile(TestModel(), "folder.kvd"), 0);
}

TEST(ParameterSetFields, RangeFormsWithoutADefinedReadingAreRejected) {
    for (const char* text : {"", ".", "1500", "1.500", "12.34", "1.", ".50", "1..5", "1,50", "-1.0", "0x1"}) {
        uint16_t value = 0, mode = 0;
        EXPECT_FALSE(ParseRangeField(text, static_cast<int>(std::strlen(text)), &value, &mode)) << text;
    }
}

}  // namespace
