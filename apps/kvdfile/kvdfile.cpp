// kvdfile write FILE [en|de|da]: write a parameter set file of a sample set (every cut different).
// kvdfile read FILE [en|de|da]:  read a parameter set file; prints the result number, exits 0 on 0.
#include <cstdio>
#include <cstring>
#include <memory>

#include "files/config.h"
#include "files/parameter_set_file.h"
#include "model/model.h"
#include "text/language.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: kvdfile write|read FILE [en|de|da]\n");
    return 2;
}

void StageSampleSet(UnitModel& model) {
    WriteParameterDefaults(model);
    for (int c = 0; c < kCutCount; ++c) {
        CutParameters& p = model.cutParameters[c];
        p.breakLimit = static_cast<uint16_t>(40 + c);
        p.breakDelay = static_cast<uint16_t>(c + 1);
        p.bluntDelay = static_cast<uint16_t>(95 + 10 * c);
        p.bluntMode = static_cast<uint16_t>(c % 2);
        p.ts = static_cast<uint16_t>(5 * c);
    }
    model.common.unitId = 12;
    model.common.rangeDecimals = 1;
    model.common.rangeValue = 150;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) return Usage();
    ConfigurationRecord config;  // the language the file's texts are written in
    PresetConfiguration(config);
    ReadTextsIn(config);
    const auto model = std::make_unique<UnitModel>();  // the program's one model
    ResetUnitModel(*model);
    if (argc == 4) {
        if (std::strcmp(argv[3], "de") == 0)
            config.languageBase = kLanguageGerman;
        else if (std::strcmp(argv[3], "da") == 0)
            config.languageBase = kLanguageDanish;
        else if (std::strcmp(argv[3], "en") != 0)
            return Usage();
    }
    int32_t result = 0;
    if (std::strcmp(argv[1], "write") == 0) {
        StageSampleSet(*model);
        result = WriteParameterSetFile(*model, argv[2]);
    } else if (std::strcmp(argv[1], "read") == 0) {
        result = ReadParameterSetFile(*model, argv[2]);
    } else {
        return Usage();
    }
    std::printf("result %ld\n", static_cast<long>(result));
    return result == 0 ? 0 : 1;
}
