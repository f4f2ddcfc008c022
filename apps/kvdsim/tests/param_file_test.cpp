// Starting the unit from a parameter-set file as the monitor saves it.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "files/config.h"
#include "files/parameter_set_file.h"
#include "param_file.h"
#include "text/language.h"
#include "tests/unit/temp_dir.h"

namespace kvdsim {
namespace {

// The model whose parameters the monitor's file is written from: allocated once.
UnitModel& Model() {
    static const auto model = std::make_unique<UnitModel>();
    return *model;
}

// The configuration whose language the monitor's file texts are read in.
ConfigurationRecord& Config() {
    static ConfigurationRecord config = [] {
        ConfigurationRecord c;
        PresetConfiguration(c);
        return c;
    }();
    ReadTextsIn(config);
    return config;
}

class ParamFile : public ::testing::Test {
protected:
    ~ParamFile() override {
        ResetUnitModel(Model());
        Config().languageBase = kLanguageEnglish;
    }
    std::string Path(const char* name) const { return (dir_.path() / name).string(); }

    TempWorkDir dir_;
};

// A set saved by the monitor in German is the unit's set after loading, every word of every cut.
TEST_F(ParamFile, AGermanSetFromTheMonitorBecomesTheUnitsSet) {
    ResetUnitModel(Model());
    for (int cut = 0; cut < kCutCount; ++cut)
        for (int w = 0; w < kCutWordCount; ++w)
            CutWord(Model().cutParameters[cut], w) =
                static_cast<uint16_t>((cut + 3 * w) % (kBaseCodes[CutWordParameter(w)].maxValue + 1));
    Model().common = {7, 9, 201, 5, 1, 375, 0};
    Config().languageBase = kLanguageGerman;
    const std::string path = Path("set.kvd");
    ASSERT_EQ(WriteParameterSetFile(Model(), path.c_str()), 0);
    Config().languageBase = kLanguageEnglish;

    UnitParameters p = DefaultUnitParameters();
    p.common.unitOptions = 3;
    std::string error;
    ASSERT_TRUE(LoadParameterFile(path, p, error)) << error;
    EXPECT_EQ(std::memcmp(p.cuts, Model().cutParameters, sizeof p.cuts), 0);
    EXPECT_EQ(p.common.average, 7);
    EXPECT_EQ(p.common.poSamples, 9);
    EXPECT_EQ(p.common.unitId, 201);
    EXPECT_EQ(p.common.debounce, 5);
    EXPECT_EQ(p.common.rangeDecimals, 1);
    EXPECT_EQ(p.common.rangeValue, 375);
    EXPECT_EQ(p.common.unitOptions, 3);  // not in a file
}

TEST_F(ParamFile, ABadFileIsRefusedWithItsReasonAndChangesNothing) {
    struct Case {
        const char* content;
        const char* reason;
    };
    const Case cases[] = {
        {"Unit ID\t3\n", "not a parameter set file (the first label is not KVD-ID) (30001)"},
        {"KVD-ID       \t300\n", "a value beyond its parameter's range (30008)"},
        {"KVD-ID       \t3\nAverage      \t4\n", "the file ends early (30007)"},
    };
    for (const Case& c : cases) {
        const std::string path = Path("bad.kvd");
        std::ofstream(path, std::ios::binary) << c.content;
        UnitParameters p = DefaultUnitParameters();
        std::string error;
        EXPECT_FALSE(LoadParameterFile(path, p, error));
        EXPECT_EQ(error, path + ": " + c.reason);
        const UnitParameters defaults = DefaultUnitParameters();
        EXPECT_EQ(std::memcmp(&p, &defaults, sizeof p), 0) << c.reason;
    }
}

// The monitor's reader creates a missing file; kvdsim must not leave one for a mistyped name.
TEST_F(ParamFile, AMissingFileIsReportedAndNotCreated) {
    const std::string path = Path("typo.kvd");
    UnitParameters p = DefaultUnitParameters();
    std::string error;
    EXPECT_FALSE(LoadParameterFile(path, p, error));
    EXPECT_EQ(error, "cannot open '" + path + "'");
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace kvdsim
