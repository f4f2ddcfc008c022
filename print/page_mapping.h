// How a printed page maps the layout's pixel coordinates onto the printable area: the window
// extent in layout pixels, stretched to the printable area's size in device pixels, and the
// viewport origin. Width and height stretch independently, so the layout's aspect ratio is not
// kept.
#pragma once

#include <cstdint>

enum class PageKind : int { kActiveCut, kStatistics, kParameters };

struct PageMapping {
    int32_t windowExtentX, windowExtentY;      // layout pixels
    int32_t viewportExtentX, viewportExtentY;  // device pixels: the printable area
    int32_t viewportOriginX, viewportOriginY;  // device pixels
};

// The mapping of a page kind in a layout (0: 640x480, 1: 800x600) over a printable area of
// horzRes x vertRes device pixels.
//   active cut: everything above the lower panel;
//   statistics: the lower panel from the live curve's baseline to the window's bottom, so that
//               the chart with its baseline and scale lies on the page in both layouts;
//   parameters: the whole layout.
PageMapping MapPage(PageKind kind, int layoutIndex, int32_t horzRes, int32_t vertRes);

// Device coordinate of a layout coordinate under a mapping, rounded as the platform rounds.
int32_t DeviceX(const PageMapping& m, int32_t x);
int32_t DeviceY(const PageMapping& m, int32_t y);
