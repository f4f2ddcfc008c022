#include "view/palette.h"

#include "view/layout.h"

FontDescription DescribeFont(CanvasFont font, const Layout& layout) {
    switch (font) {
        case CanvasFont::kCaption:
            return {20, 400, kFixedPitchModern, kFontFace};
        case CanvasFont::kNumber:
            return {25, 700, kFixedPitchModern, kFontFace};
        case CanvasFont::kTable:
            return {layout(kTableFontHeight), 400, kFixedPitchModern, kFontFace};
        case CanvasFont::kSurface:
            break;
    }
    return {0, 0, 0, ""};
}
