#include "print/page_mapping.h"

#include "view/layout.h"

namespace {

// x * num / den rounded to the nearest, halves away from zero, as a device maps a point.
int32_t Scale(int32_t x, int32_t num, int32_t den) {
    if (den == 0) return 0;
    const int64_t p = static_cast<int64_t>(x) * num;
    const int64_t half = (den > 0 ? den : -den) / 2;
    return static_cast<int32_t>(p >= 0 ? (p + half) / den : (p - half) / den);
}

}  // namespace

PageMapping MapPage(PageKind kind, int layoutIndex, int32_t horzRes, int32_t vertRes) {
    const int32_t width = LayoutValue(kWindowWidth, layoutIndex);
    const int32_t height = LayoutValue(kWindowHeight, layoutIndex);
    PageMapping m{width, height, horzRes, vertRes, 0, 0};
    switch (kind) {
        case PageKind::kActiveCut:
            m.windowExtentY = LayoutValue(kPanelTop, layoutIndex);
            break;
        case PageKind::kStatistics: {
            // The page shows the layout from the curve's baseline down to the window's bottom:
            // the baseline lands on the page's top row, the window's bottom on its last row.
            const int32_t top = LayoutValue(kCurveBaseline, layoutIndex);
            m.windowExtentY = height - top;
            m.viewportOriginY =
                static_cast<int32_t>(-(static_cast<int64_t>(top) * vertRes) / m.windowExtentY);
            break;
        }
        case PageKind::kParameters:
            break;
    }
    return m;
}

int32_t DeviceX(const PageMapping& m, int32_t x) {
    return Scale(x, m.viewportExtentX, m.windowExtentX) + m.viewportOriginX;
}

int32_t DeviceY(const PageMapping& m, int32_t y) {
    return Scale(y, m.viewportExtentY, m.windowExtentY) + m.viewportOriginY;
}
