#include "view/drawing_resources_win32.h"

#include <cstring>

#include "view/palette.h"

static_assert((FF_MODERN | FIXED_PITCH) == kFixedPitchModern);

namespace {

HBRUSH gBrushes[kPaletteSize];
HPEN gPens[kPaletteSize];
HFONT gCaptionFont, gNumberFont, gTableFont;

HFONT CreateViewFont(CanvasFont font) {
    const FontDescription d = DescribeFont(font);
    LOGFONTA f{};
    f.lfHeight = d.height;
    f.lfWeight = d.weight;
    f.lfCharSet = DEFAULT_CHARSET;
    f.lfOutPrecision = OUT_DEFAULT_PRECIS;
    f.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    f.lfQuality = DEFAULT_QUALITY;
    f.lfPitchAndFamily = d.pitchAndFamily;
    std::strncpy(f.lfFaceName, d.face, LF_FACESIZE - 1);
    return CreateFontIndirectA(&f);
}

template <class Handle>
void Delete(Handle& handle) {
    if (handle != nullptr) DeleteObject(handle);
    handle = nullptr;
}

}  // namespace

void CreateDrawingResources() {
    DeleteDrawingResources();
    for (int i = 0; i < kPaletteSize; ++i) gBrushes[i] = CreateSolidBrush(kPaletteColours[i]);
    for (int i = 0; i < kPaletteSize; ++i) gPens[i] = CreatePen(PS_SOLID, 0, kPaletteColours[i]);
    gCaptionFont = CreateViewFont(CanvasFont::kCaption);
    gNumberFont = CreateViewFont(CanvasFont::kNumber);
    gTableFont = CreateViewFont(CanvasFont::kTable);
}

void DeleteDrawingResources() {
    for (HPEN& pen : gPens) Delete(pen);
    for (HBRUSH& brush : gBrushes) Delete(brush);
    Delete(gCaptionFont);
    Delete(gNumberFont);
    Delete(gTableFont);
}

HPEN PalettePen(int index) { return index >= 0 && index < kPaletteSize ? gPens[index] : nullptr; }
HBRUSH PaletteBrush(int index) { return index >= 0 && index < kPaletteSize ? gBrushes[index] : nullptr; }
HFONT CaptionFont() { return gCaptionFont; }
HFONT NumberFont() { return gNumberFont; }
HFONT TableFont() { return gTableFont; }
