#include "view/drawing_resources_win32.h"

#include <cstring>

#include "view/palette.h"

static_assert((FF_MODERN | FIXED_PITCH) == kFixedPitchModern);

namespace {

HFONT CreateViewFont(CanvasFont font, const Layout& layout) {
    const FontDescription d = DescribeFont(font, layout);
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

void CreateDrawingResources(DrawingResources& set, const Layout& layout) {
    DeleteDrawingResources(set);
    set.layout = layout;
    for (int i = 0; i < kPaletteSize; ++i) set.brushes[i] = CreateSolidBrush(kPaletteColours[i]);
    for (int i = 0; i < kPaletteSize; ++i) set.pens[i] = CreatePen(PS_SOLID, 0, kPaletteColours[i]);
    set.caption = CreateViewFont(CanvasFont::kCaption, layout);
    set.number = CreateViewFont(CanvasFont::kNumber, layout);
    set.table = CreateViewFont(CanvasFont::kTable, layout);
}

void DeleteDrawingResources(DrawingResources& set) {
    for (HPEN& pen : set.pens) Delete(pen);
    for (HBRUSH& brush : set.brushes) Delete(brush);
    Delete(set.caption);
    Delete(set.number);
    Delete(set.table);
}

HPEN PalettePen(const DrawingResources& set, int index) {
    return index >= 0 && index < kPaletteSize ? set.pens[index] : nullptr;
}
HBRUSH PaletteBrush(const DrawingResources& set, int index) {
    return index >= 0 && index < kPaletteSize ? set.brushes[index] : nullptr;
}
