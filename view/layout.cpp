#include "view/layout.h"

const LayoutPair ScreenLayout[kLayoutEntryCount] = {
    {640, 800},  // WindowWidth
    {480, 600},  // WindowHeight
    {20, 100},   // CurveLeft
    {250, 270},  // CurveBaseline
    {40, 60},    // CurveAxisTop
    {630, 710},  // AxisRight
    {2, 15},     // BoxTop
    {80, 205},   // WorkBoxLeft
    {210, 335},  // WorkBoxRight
    {47, 60},    // BoxBottom
    {250, 465},  // PeakBoxLeft
    {380, 595},  // PeakBoxRight
    {4, 17},     // BoxCaptionY
    {47, 60},    // BoxNumberY
    {145, 270},  // WorkBoxCentre
    {315, 530},  // PeakBoxCentre
    {580, 740},  // LampLabelX
    {2, 15},     // CommLampY
    {2, 43},     // BreakLampY
    {16, 71},    // BluntLampY
    {30, 99},    // MissingLampY
    {440, 740},  // BreakLabelX
    {440, 740},  // BluntLabelX
    {440, 740},  // MissingLabelX
    {5, 35},     // PowerBarLeft
    {5, 15},     // PowerBarWidth
    {50, 70},    // PowerBarTop
    {10, 50},    // PowerBarRight
    {561, 721},  // CommLampX
    {421, 721},  // BreakLampX
    {421, 721},  // BluntLampX
    {421, 721},  // MissingLampX
    {30, 211},   // SignalLampY
    {561, 721},  // SignalLampX
    {275, 305},  // PanelTop
    {5, 10},     // PanelMargin
    {14, 16},    // TableFontHeight
    {55, 55},    // Column1X
    {255, 305},  // Column2X
    {455, 555},  // Column3X
    {294, 346},  // Row1Y
    {307, 362},  // Row2Y
    {320, 378},  // Row3Y
    {333, 394},  // Row4Y
    {346, 410},  // Row5Y
    {359, 426},  // Row6Y
    {372, 442},  // Row7Y
    {385, 458},  // Row8Y
    {398, 474},  // Row9Y
    {411, 490},  // Row10Y
    {424, 506},  // Row11Y
    {450, 538},  // ColumnBottom
    {415, 540},  // StatsBaseline
    {310, 330},  // StatsAxisTop
    {455, 555},  // PartsTextX
    {306, 326},  // PartsTextY
    {480, 640},  // LegendOffsetX
    {320, 340},  // LegendOffsetY
    {8, 35},     // ZoomCaptionX
    {35, 56},    // ZoomCaptionY
};

int32_t LayoutValue(LayoutEntry e, int layoutIndex) {
    return layoutIndex == 0 ? ScreenLayout[e].small : ScreenLayout[e].large;
}

Rect RegionRect(Region r, int li) {
    auto v = [li](LayoutEntry e) { return LayoutValue(e, li); };
    switch (r) {
        case Region::kWholeWindow:
            return {0, 0, v(kWindowWidth), v(kWindowHeight)};
        case Region::kPanel:
            return {1, v(kPanelTop) - 5, v(kWindowWidth), v(kWindowHeight)};
        case Region::kCurve:
        case Region::kNewPoints:  // at the most; the cursor knows which columns and boxes
            return {v(kPowerBarRight) + 1, 1, v(kAxisRight), v(kPanelTop) - 1};
        case Region::kPowerBar:
            return {v(kPowerBarLeft), v(kPowerBarTop), v(kPowerBarLeft) + v(kPowerBarWidth),
                    v(kCurveBaseline)};
        case Region::kPowerScale:
            return {1, v(kPowerBarTop), v(kPowerBarLeft) - 1, v(kCurveBaseline)};
        case Region::kLed:
            return {v(kCommLampX), 1, v(kWindowWidth), v(kMissingLampY) + 14};
        case Region::kSignalLamp:
            return {v(kCommLampX), v(kSignalLampY), v(kWindowWidth), v(kSignalLampY) + 14};
        case Region::kParamColumn1:
            return {v(kColumn1X), v(kPanelTop), v(kColumn2X), v(kColumnBottom)};
        case Region::kParamColumn2:
            return {v(kColumn2X), v(kPanelTop), v(kColumn3X), v(kColumnBottom)};
        case Region::kParamColumn3:
            return {v(kColumn3X), v(kPanelTop), v(kWindowWidth), v(kColumnBottom)};
    }
    return {0, 0, 0, 0};
}

LayoutChoice ChooseLayout(int w, int h) {
    if (w >= 800 && h >= 600) return {1, (w - 800) / 2, (h - 600) / 2, false};
    return {0, 0, 0, w < 640 || h < 480};
}
