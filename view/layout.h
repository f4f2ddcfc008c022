// The fixed screen layout: every coordinate of the views, regions and child windows, for the
// 640x480 (index 0) and 800x600 (index 1) window. Chosen once at window creation.
#pragma once

#include <cstdint>

#include "model/regions.h"

enum LayoutEntry : int {
    kWindowWidth,
    kWindowHeight,
    kCurveLeft,
    kCurveBaseline,
    kCurveAxisTop,
    kAxisRight,
    kBoxTop,
    kWorkBoxLeft,
    kWorkBoxRight,
    kBoxBottom,
    kPeakBoxLeft,
    kPeakBoxRight,
    kBoxCaptionY,
    kBoxNumberY,
    kWorkBoxCentre,
    kPeakBoxCentre,
    kLampLabelX,
    kCommLampY,
    kBreakLampY,
    kBluntLampY,
    kMissingLampY,
    kBreakLabelX,
    kBluntLabelX,
    kMissingLabelX,
    kPowerBarLeft,
    kPowerBarWidth,
    kPowerBarTop,
    kPowerBarRight,
    kCommLampX,
    kBreakLampX,
    kBluntLampX,
    kMissingLampX,
    kSignalLampY,
    kSignalLampX,
    kPanelTop,
    kPanelMargin,
    kTableFontHeight,
    kColumn1X,
    kColumn2X,
    kColumn3X,
    kRow1Y,
    kRow2Y,
    kRow3Y,
    kRow4Y,
    kRow5Y,
    kRow6Y,
    kRow7Y,
    kRow8Y,
    kRow9Y,
    kRow10Y,
    kRow11Y,
    kColumnBottom,
    kStatsBaseline,
    kStatsAxisTop,
    kPartsTextX,
    kPartsTextY,
    kLegendOffsetX,
    kLegendOffsetY,
    kZoomCaptionX,
    kZoomCaptionY,
    kLayoutEntryCount
};
static_assert(kLayoutEntryCount == 60);

struct LayoutPair {
    int32_t small;  // 640x480
    int32_t large;  // 800x600
};
extern const LayoutPair ScreenLayout[kLayoutEntryCount];

constexpr int kSmallLayout = 0;  // 640x480
constexpr int kLargeLayout = 1;  // 800x600

int32_t LayoutValue(LayoutEntry e, int layoutIndex);

// One of the two layouts, handed to whatever places something: the screen's is chosen once at
// window creation and kept in the monitor record; a drawing surface carries the layout it is
// drawn in (a printed page is drawn in the screen's and scaled to the paper).
struct Layout {
    int index = kLargeLayout;
    int32_t operator()(LayoutEntry e) const { return LayoutValue(e, index); }
    bool Large() const { return index == kLargeLayout; }
};

struct Rect {
    int32_t left, top, right, bottom;  // right and bottom exclusive
    bool operator==(const Rect&) const = default;
};

// Rectangles of the nine regions for a layout (kWholeWindow gives the window's outer size).
Rect RegionRect(Region r, int layoutIndex);
inline Rect RegionRect(Region r, const Layout& layout) { return RegionRect(r, layout.index); }

// Choose the layout for a screen size: 1 when at least 800x600; tooSmall below 640x480.
struct LayoutChoice {
    int layoutIndex;
    int x, y;  // window position
    bool tooSmall;
};
LayoutChoice ChooseLayout(int screenWidth, int screenHeight);
