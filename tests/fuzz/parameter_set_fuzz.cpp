// Any bytes as a parameter set file: a load either stages a set whose every value lies within
// its parameter's range (so the upload sends no word of another parameter), or fails with one of
// the reader's numbers and leaves the staged set as it was.
#include <cstring>

#include "files/parameter_set_file.h"
#include "model/results.h"
#include "fuzz_file.h"
#include "model/parameters.h"
#include "model/model.h"
#include "tests/unit/test_monitor.h"

namespace {

uint16_t StagedWord(const LoadedParameterSet& set, const BaseCode& b, int cut) {
    if (!b.common) return CutWordValue(set.cuts[cut], b.word);
    const uint16_t common[] = {set.average,  set.poSamples,     set.unitId,
                               set.debounce, set.rangeDecimals, set.rangeValue};
    return b.word < 6 ? common[b.word] : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteFuzzFile("set.kvd", data, size);
    std::memset(&TestModel().loadedParameterSet, 0xA5, sizeof TestModel().loadedParameterSet);
    const LoadedParameterSet before = TestModel().loadedParameterSet;
    const int32_t r = ReadParameterSetFile(TestModel(), "set.kvd");
    if (r != kResultOk) {
        if (r < kResultNotParameterSet || r > kResultValueOutOfRange || r == kResultCancelled)
            FuzzFail("a failed read gives one of the reader's numbers");
        if (std::memcmp(&before, &TestModel().loadedParameterSet, sizeof before) != 0)
            FuzzFail("a failed read leaves the staged set as it was");
        return 0;
    }
    const LoadedParameterSet& set = TestModel().loadedParameterSet;
    for (const BaseCode& b : kBaseCodes) {
        if (b.common && b.word > 5) continue;  // unitOptions is reported only, never staged
        for (int cut = 0; cut < (b.common ? 1 : kCutCount); ++cut)
            if (StagedWord(set, b, cut) > b.maxValue)
                FuzzFail("every staged value within its parameter's range");
    }
    return 0;
}
