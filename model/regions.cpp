#include "model/regions.h"

const char* RegionName(Region r) {
    static const char* const names[kRegionCount] = {
        "Whole",    "PanelRect",      "CurveRect",        "PowerBarRect",     "PowerScaleRect",
        "LedRect",  "SignalLampRect", "ParamColumn1Rect", "ParamColumn2Rect", "ParamColumn3Rect",
        "NewPoints"};
    const int i = static_cast<int>(r);
    return i >= 0 && i < kRegionCount ? names[i] : "?";
}
