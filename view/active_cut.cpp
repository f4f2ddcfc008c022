#include "view/active_cut.h"

namespace {

// Word by word with relaxed loads: the reader thread may store a reported word meanwhile.
CutParameters LoadRecord(const CutParameters& p) {
    CutParameters copy{};
    for (int w = 0; w < kCutWordCount; ++w) CutWord(copy, w) = CutWordValue(p, w);
    return copy;
}

}  // namespace

int ActiveCutIndex(const UnitModel& model) {
    const int32_t cut = Load(model.ActiveCut);
    return cut >= 0 && cut < kCutCount ? cut : 0;
}

CutParameters ActiveCutRecord(const UnitModel& model) {
    return LoadRecord(model.cutParameters[ActiveCutIndex(model)]);
}

CutParameters ActiveCutMirror(const UnitModel& model) { return LoadRecord(model.activeCutParameters); }
