#include "view/active_cut.h"

namespace {

// Word by word with relaxed loads: the reader thread may store a reported word meanwhile.
CutParameters LoadRecord(const CutParameters& p) {
    CutParameters copy{};
    for (int w = 0; w < kCutWordCount; ++w) CutWord(copy, w) = CutWordValue(p, w);
    return copy;
}

}  // namespace

int ActiveCutIndex() {
    const int32_t cut = Load(gModel.ActiveCut);
    return cut >= 0 && cut < kCutCount ? cut : 0;
}

CutParameters ActiveCutRecord() { return LoadRecord(gModel.cutParameters[ActiveCutIndex()]); }

CutParameters ActiveCutMirror() { return LoadRecord(gModel.activeCutParameters); }
