// Reading parameter-set files as the monitor writes them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "param_file.h"

namespace kvdsim {
namespace {

// The 18 rows after the header, in record word order; tenths rows are written as d.d.
constexpr bool kTenthsRow[kCutWordCount] = {false, false, false, true,  true,  true,  false, false, false,
                                            false, true,  true,  true,  false, false, false, false, false};

// A set as the monitor saves it: labels padded to 13 characters, values of cut c derived from c.
std::string MonitorFile(const char* rangeText, const char* label = "Gr\xE6nse       ") {
    std::string text = std::string("KVD-ID       \t17\n") + "Gennemsnit   \t6\n" + "Po [samples] \t9\n" +
                       "Debounce     \t3\n" + "Range [kW]   \t" + rangeText + "\n";
    text += "\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t15\t16\n";
    for (int w = 0; w < kCutWordCount; ++w) {
        text += label;
        for (int c = 0; c < kCutCount; ++c) {
            const int value = (w * 7 + c) % (w == 6 || w == 7 || w == 13 ? 2 : 9);  // within every range
            char cell[16];
            if (kTenthsRow[w])
                std::snprintf(cell, sizeof cell, "\t%d.%d", (value * 3) / 10, (value * 3) % 10);
            else
                std::snprintf(cell, sizeof cell, "\t%d", value);
            text += cell;
        }
        text += "\n";
    }
    return text;
}

TEST(ParamFile, ReadsEveryFieldOfAMonitorFile) {
    UnitParameters p = DefaultUnitParameters();
    std::string error;
    ASSERT_TRUE(ParseParameterText(MonitorFile("1.50"), p, error)) << error;
    EXPECT_EQ(p.common.unitId, 17);
    EXPECT_EQ(p.common.average, 6);
    EXPECT_EQ(p.common.poSamples, 9);
    EXPECT_EQ(p.common.debounce, 2);  // the file holds the displayed value + 1
    EXPECT_EQ(p.common.rangeValue, 150);
    EXPECT_EQ(p.common.rangeDecimals, 0);
    for (int w = 0; w < kCutWordCount; ++w) {
        for (int c = 0; c < kCutCount; ++c) {
            const int value = (w * 7 + c) % (w == 6 || w == 7 || w == 13 ? 2 : 9);
            EXPECT_EQ(CutWordValue(p.cuts[c], w), kTenthsRow[w] ? value * 3 : value) << "word " << w << " cut " << c;
        }
    }
}

TEST(ParamFile, RangeModesFollowTheDecimals) {
    struct Case {
        const char* text;
        uint16_t value, decimals;
    };
    const Case cases[] = {{"1.50", 150, 0}, {"15.0", 150, 1}, {"150", 150, 2}, {"5.0", 50, 1}, {"0.05", 5, 0}};
    for (const Case& c : cases) {
        UnitParameters p = DefaultUnitParameters();
        std::string error;
        ASSERT_TRUE(ParseParameterText(MonitorFile(c.text), p, error)) << c.text << ": " << error;
        EXPECT_EQ(p.common.rangeValue, c.value) << c.text;
        EXPECT_EQ(p.common.rangeDecimals, c.decimals) << c.text;
    }
}

TEST(ParamFile, CarriageReturnsBeforeLineFeedsAreHarmless) {
    std::string text = MonitorFile("15.0");
    std::string crlf;
    for (char ch : text) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    UnitParameters p = DefaultUnitParameters();
    std::string error;
    EXPECT_TRUE(ParseParameterText(crlf, p, error)) << error;
    EXPECT_EQ(p.cuts[15].cyclesPerScreen, (17 * 7 + 15) % 9);
}

TEST(ParamFile, MalformedFilesAreRefusedWithTheirPlaceAndLeaveTheParameters) {
    const std::string good = MonitorFile("1.50");
    const auto replaceLine = [&](int line, const std::string& with) {
        std::string text = good;
        std::size_t start = 0;
        for (int i = 1; i < line; ++i) start = text.find('\n', start) + 1;
        return text.replace(start, text.find('\n', start) - start, with);
    };
    struct Case {
        std::string text;
        const char* error;
    };
    const Case cases[] = {
        {good.substr(0, good.find("Gr\xE6nse")), "line 7: the file ends early"},
        {replaceLine(7, "Break Limit  \t1\t2"), "line 7: expected 16 cells, found 2"},
        {replaceLine(8, std::string("Blunt Limit  ") + std::string(15, '\t') + "\t101"),
         "line 8 cell 1: '' is not a whole number"},
        {replaceLine(9, "Missing Limit\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t15\t101"),
         "line 9 cell 16: missingLimit 101 is out of range"},
        {replaceLine(10, "Break Delay  \t2.55\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1"),
         "line 10 cell 1: '2.55' is not a time such as 2.5"},
        {replaceLine(4, "Debounce     \t10"), "line 4: debounce '10' is not 1..9"},
        {replaceLine(5, "Range [kW]   \t1.5x"), "line 5: '1.5x' is not a range"},
        {replaceLine(1, "KVD-ID"), "line 1: no tab after the label"},
    };
    for (const Case& c : cases) {
        UnitParameters p = DefaultUnitParameters();
        std::string error;
        EXPECT_FALSE(ParseParameterText(c.text, p, error)) << c.error;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << "got: " << error;
        const UnitParameters defaults = DefaultUnitParameters();
        EXPECT_EQ(std::memcmp(&p, &defaults, sizeof p), 0) << c.error;
    }
}

TEST(ParamFile, LoadingAMissingFileSaysSo) {
    UnitParameters p = DefaultUnitParameters();
    std::string error;
    EXPECT_FALSE(LoadParameterFile("/nonexistent/set.kvd", p, error));
    EXPECT_EQ(error, "cannot open '/nonexistent/set.kvd'");
}

}  // namespace
}  // namespace kvdsim
