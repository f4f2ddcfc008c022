#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "interpreter_support.h"
#include "model/parameters.h"

namespace {

using Lines = std::vector<std::string>;

// Written from the parameter list of the unit, independently of the interpreter's tables: where
// each parameter lives, its range, and what must be repainted when it changes, with the
// parameter table shown and with a statistics chart shown.
struct Expected {
    const char* name;
    uint16_t base;
    uint16_t maxValue;
    bool common;
    uint16_t CutParameters::*cutField;
    uint16_t CommonParameters::*commonField;
    Lines table;
    Lines chart;
};

const Expected kExpected[] = {
    {"breakLimit",
     256,
     100,
     false,
     &CutParameters::breakLimit,
     nullptr,
     {"CurveRect+erase", "ParamColumn1Rect+erase"},
     {"PanelRect+erase", "CurveRect+erase"}},  // the power chart draws it too (mended)
    {"breakDelay", 357, 25, false, &CutParameters::breakDelay, nullptr, {"ParamColumn1Rect+erase"}, {}},
    {"bluntLimit",
     383,
     100,
     false,
     &CutParameters::bluntLimit,
     nullptr,
     {"CurveRect+erase", "ParamColumn1Rect+erase"},
     {"PanelRect+erase", "CurveRect+erase"}},
    {"taOnBlunt", 484, 1, false, &CutParameters::taOnBlunt, nullptr, {"ParamColumn1Rect+erase"}, {}},
    {"bluntMode",
     486,
     1,
     false,
     &CutParameters::bluntMode,
     nullptr,
     {"CurveRect+erase", "ParamColumn1Rect+erase"},
     {"PanelRect+erase", "CurveRect+erase"}},
    {"bluntDelay", 488, 250, false, &CutParameters::bluntDelay, nullptr, {"ParamColumn1Rect+erase"}, {}},
    {"bluntAlarmMode",
     739,
     1,
     false,
     &CutParameters::bluntAlarmMode,
     nullptr,
     {"ParamColumn1Rect+erase"},
     {}},
    {"bluntCount", 741, 8, false, &CutParameters::bluntCount, nullptr, {"ParamColumn1Rect+erase"}, {}},
    {"workDivisor", 750, 15, false, &CutParameters::workDivisor, nullptr, {"ParamColumn1Rect+erase"}, {}},
    {"missingLimit",
     766,
     100,
     false,
     &CutParameters::missingLimit,
     nullptr,
     {"CurveRect+erase", "ParamColumn2Rect+erase"},
     {"CurveRect+erase"}},
    {"missingDelay", 867, 250, false, &CutParameters::missingDelay, nullptr, {"ParamColumn2Rect+erase"}, {}},
    {"tw", 1118, 250, false, &CutParameters::tw, nullptr, {"ParamColumn2Rect+erase"}, {}},
    {"missingCount", 1369, 8, false, &CutParameters::missingCount, nullptr, {"ParamColumn2Rect+erase"}, {}},
    {"ts", 1378, 250, false, &CutParameters::ts, nullptr, {"ParamColumn2Rect+erase"}, {}},
    {"ta", 1629, 250, false, &CutParameters::ta, nullptr, {"ParamColumn2Rect+erase"}, {}},
    {"p1Max",
     1880,
     100,
     false,
     &CutParameters::p1Max,
     nullptr,
     {"PowerScaleRect+erase", "ParamColumn2Rect+erase"},
     {"PowerScaleRect+erase"}},
    {"p1Min",
     1981,
     90,
     false,
     &CutParameters::p1Min,
     nullptr,
     {"PowerScaleRect+erase", "ParamColumn2Rect+erase"},
     {"PowerScaleRect+erase"}},
    {"average", 2072, 25, true, nullptr, &CommonParameters::average, {"ParamColumn3Rect+erase"}, {}},
    {"poSamples", 2098, 25, true, nullptr, &CommonParameters::poSamples, {"ParamColumn3Rect+erase"}, {}},
    {"cyclesPerScreen",
     2124,
     8,
     false,
     &CutParameters::cyclesPerScreen,
     nullptr,
     {"ParamColumn2Rect+erase"},
     {}},
    {"unitId", 2133, 255, true, nullptr, &CommonParameters::unitId, {"ParamColumn3Rect+erase"}, {}},
    {"debounce", 2389, 8, true, nullptr, &CommonParameters::debounce, {"ParamColumn3Rect+erase"}, {}},
    {"rangeDecimals",
     2398,
     2,
     true,
     nullptr,
     &CommonParameters::rangeDecimals,
     {"ParamColumn3Rect+erase"},
     {}},
    {"rangeValue", 2401, 999, true, nullptr, &CommonParameters::rangeValue, {"ParamColumn3Rect+erase"}, {}},
    {"unitOptions", 3401, 15, true, nullptr, &CommonParameters::unitOptions, {"ParamColumn3Rect+erase"}, {}},
};

void PrintTo(const Expected& e, std::ostream* os) { *os << e.name; }

class ParameterReport : public InterpreterFixture, public ::testing::WithParamInterface<Expected> {
protected:
    static constexpr int kActive = 3;
    static constexpr int kOther = 11;
    void SetUp() override {
        InterpreterFixture::SetUp();
        Send({220 + kActive});
        gRecord.Clear();
    }
    uint16_t& Field(int cut) {
        const Expected& e = GetParam();
        return e.common ? TestModel().common.*e.commonField : TestModel().cutParameters[cut].*e.cutField;
    }
    // A value in range that differs from the one held.
    uint16_t NewValue(int cut) {
        const uint16_t held = Field(cut);
        return held == GetParam().maxValue ? 0 : GetParam().maxValue;
    }
    // The answer event is raised for Break Limit reports only, before anything else. A changed
    // value also has the curve drawn again over itself (its colours follow the values).
    Lines WithAnswer(Lines regions, bool changed = true) {
        if (changed && std::find(regions.begin(), regions.end(), "CurveRect+erase") == regions.end())
            regions.insert(
                regions.begin() + (!regions.empty() && regions.front() == "PanelRect+erase" ? 1 : 0),
                "CurveRect");
        if (GetParam().base == 256) regions.insert(regions.begin(), "answer");
        return regions;
    }
};

TEST_P(ParameterReport, ActiveCutWithTheTableShown) {
    const Expected& e = GetParam();
    TestConfig().DisplayMode = 2;
    const uint16_t v = NewValue(kActive);
    Send({Report(kActive, e.base, v)});
    EXPECT_EQ(Field(kActive), v);
    if (!e.common) {
        EXPECT_EQ(TestModel().activeCutParameters.*e.cutField, v);
    }
    EXPECT_EQ(gRecord.CallsAndRegions(), WithAnswer(e.table));
}

TEST_P(ParameterReport, ActiveCutWithAStatisticsChartShown) {
    const Expected& e = GetParam();
    for (uint16_t mode : {0, 1}) {
        TestConfig().DisplayMode = mode;
        gRecord.Clear();
        const uint16_t v = NewValue(kActive);
        Send({Report(kActive, e.base, v)});
        EXPECT_EQ(Field(kActive), v);
        EXPECT_EQ(gRecord.CallsAndRegions(), WithAnswer(e.chart)) << "view " << mode;
    }
}

// Per-cut values of another cut change only the array; common values ignore the cut bits.
TEST_P(ParameterReport, AnotherCut) {
    const Expected& e = GetParam();
    TestConfig().DisplayMode = 2;
    const CutParameters mirror = TestModel().activeCutParameters;
    const uint16_t v = NewValue(kOther);
    Send({Report(kOther, e.base, v)});
    EXPECT_EQ(Field(kOther), v);
    EXPECT_EQ(std::memcmp(&mirror, &TestModel().activeCutParameters, sizeof mirror), 0);
    EXPECT_EQ(gRecord.CallsAndRegions(), WithAnswer(e.common ? e.table : Lines{}, e.common));
}

TEST_P(ParameterReport, UnchangedValueRepaintsNothing) {
    const Expected& e = GetParam();
    const uint16_t held = Field(kActive);
    Send({Report(kActive, e.base, held)});
    EXPECT_EQ(Field(kActive), held);
    EXPECT_EQ(gRecord.CallsAndRegions(), WithAnswer({}, false));
}

// The highest value of a parameter is still that parameter; one more is the next one's 0.
TEST_P(ParameterReport, RangeEndsAtTheNextBaseCode) {
    const Expected& e = GetParam();
    Send({Report(kActive, e.base, e.maxValue)});
    EXPECT_EQ(Field(kActive), e.maxValue);
    const int index = FindBaseCode(e.base);
    ASSERT_GE(index, 0);
    EXPECT_EQ(kBaseCodes[index].base, e.base);
    EXPECT_EQ(kBaseCodes[index].maxValue, e.maxValue);
    EXPECT_EQ(kBaseCodes[index].common, e.common);
    EXPECT_EQ(FindBaseCode(static_cast<uint16_t>(e.base + e.maxValue)), index);
    EXPECT_NE(FindBaseCode(static_cast<uint16_t>(e.base + e.maxValue + 1)), index);
}

INSTANTIATE_TEST_SUITE_P(EveryBaseCode, ParameterReport, ::testing::ValuesIn(kExpected),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InterpreterFixture, BluntLimitOfAnInactiveCutChangesOnlyThatCut) {
    Send({222});
    gRecord.Clear();
    Send({Report(5, 383, 40)});
    EXPECT_EQ(TestModel().cutParameters[5].bluntLimit, 40);
    EXPECT_EQ(TestModel().activeCutParameters.bluntLimit, 30);
    EXPECT_TRUE(gRecord.CallsAndRegions().empty());
    Send({225});  // the new value reaches the mirror at that cut's start
    EXPECT_EQ(TestModel().activeCutParameters.bluntLimit, 40);
}

TEST_F(InterpreterFixture, CodesOutsideTheParameterRangeChangeNothing) {
    Send({221});
    gRecord.Clear();  // the marks of the cut start are taken (they are the model's too)
    const std::vector<uint8_t> before(reinterpret_cast<uint8_t*>(&TestModel()),
                                      reinterpret_cast<uint8_t*>(&TestModel()) + sizeof TestModel());
    for (uint16_t report : {uint16_t(3417), uint16_t(4095), uint16_t(0x1000 | 3417), uint16_t(0xF000 | 4000),
                            uint16_t(0x5005), uint16_t(0x10FF)}) {
        TestModel().connection.SilenceTicks = 0;
        Send({report});
    }
    EXPECT_TRUE(std::memcmp(before.data(), &TestModel(), sizeof TestModel()) == 0);
    EXPECT_TRUE(gRecord.CallsAndRegions().empty());
}

}  // namespace
