// The regions of the main window that the data model's writers invalidate. Their rectangles
// belong to the screen layout (view/layout.h); here they are only names.
#pragma once

enum class Region : int {
    kWholeWindow,
    kPanel,
    kCurve,
    kPowerBar,
    kPowerScale,
    kLed,
    kSignalLamp,
    kParamColumn1,
    kParamColumn2,
    kParamColumn3,
    kNewPoints,  // the curve's new points and changed numbers: only their columns and boxes
};
constexpr int kRegionCount = 11;

// For logs and test output.
[[nodiscard]] const char* RegionName(Region r);
