#include "param_file.h"

#include <cstring>
#include <filesystem>
#include <memory>

#include "files/parameter_set_file.h"
#include "model/results.h"

namespace kvdsim {

namespace {

std::string ResultText(int32_t result) {
    switch (result) {
        case kResultNotParameterSet:
            return "not a parameter set file (the first label is not KVD-ID)";
        case kResultBadLabelledValue:
            return "a malformed value in lines 1..4";
        case kResultBadRange:
            return "a malformed range in line 5";
        case kResultBadIntegerCell:
            return "a malformed whole-number cell";
        case kResultBadTenthsCell:
            return "a malformed time cell (d.d or dd.d)";
        case kResultShortTransfer:
            return "the file ends early";
        case kResultValueOutOfRange:
            return "a value beyond its parameter's range";
        default:
            return std::strerror(result);
    }
}

}  // namespace

bool LoadParameterFile(const std::string& path, UnitParameters& params, std::string& error) {
    // The monitor's reader creates a missing file (its dialog offers that); a command line must
    // not leave an empty file behind for a mistyped name.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = "cannot open '" + path + "'";
        return false;
    }
    // The monitor's reader fills a model's loaded set: one of its own, allocated once per read.
    const auto model = std::make_unique<UnitModel>();
    const int32_t result = ReadParameterSetFile(*model, path.c_str());
    if (result != kResultOk) {
        error = path + ": " + ResultText(result) + " (" + std::to_string(result) + ")";
        return false;
    }
    const LoadedParameterSet& set = model->loadedParameterSet;
    for (int cut = 0; cut < kCutCount; ++cut) params.cuts[cut] = set.cuts[cut];
    params.common.average = set.average;
    params.common.poSamples = set.poSamples;
    params.common.unitId = set.unitId;
    params.common.debounce = set.debounce;
    params.common.rangeDecimals = set.rangeDecimals;
    params.common.rangeValue = set.rangeValue;
    return true;
}

}  // namespace kvdsim
