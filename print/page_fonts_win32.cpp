#include "print/page_fonts_win32.h"

#include <algorithm>
#include <cstdlib>

#include "view/drawing_resources_win32.h"

namespace {

// Width of one character of a font on a device context, in its logical units (0 when unknown).
int CharWidth(HDC dc, HFONT font) {
    constexpr char kSample[] = "0000000000";
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE extent{};
    const BOOL ok = GetTextExtentPoint32A(dc, kSample, 10, &extent);
    SelectObject(dc, previous);
    return ok ? extent.cx / 10 : 0;
}

// A screen font made again for the page, as wide per character as on the screen.
HFONT PageFontLike(HDC page, HDC screen, HFONT screenFont) {
    LOGFONTA like{};
    if (screenFont == nullptr || GetObjectA(screenFont, sizeof like, &like) == 0) return nullptr;
    const int width = CharWidth(screen, screenFont);
    return width > 0 ? CreateFontOfWidth(page, like, width) : nullptr;
}

}  // namespace

HFONT CreateFontOfWidth(HDC page, const LOGFONTA& like, int width) {
    // Only the height is asked for: a printer may draw a font at its natural proportions
    // whatever width was asked (and still report the asked width in its metrics), so a font too
    // wide for the page is made lower until its characters are narrow enough.
    LOGFONTA font = like;
    font.lfWidth = 0;
    HFONT made = CreateFontIndirectA(&font);
    for (int attempt = 0; made != nullptr && attempt < 3; ++attempt) {
        const int measured = CharWidth(page, made);
        if (measured <= width || font.lfHeight == 0) break;
        const int height = std::abs(font.lfHeight);
        const int lower = std::max(1, std::min(height - 1, height * width / measured));
        font.lfHeight = font.lfHeight < 0 ? -lower : lower;
        HFONT smaller = CreateFontIndirectA(&font);
        if (smaller == nullptr) break;
        DeleteObject(made);
        made = smaller;
    }
    return made;
}

PageFonts CreatePageFonts(HDC page, const DrawingResources& screenSet) {
    PageFonts fonts{};
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return fonts;
    fonts.surface = PageFontLike(page, screen, static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
    fonts.caption = PageFontLike(page, screen, screenSet.caption);
    fonts.number = PageFontLike(page, screen, screenSet.number);
    fonts.table = PageFontLike(page, screen, screenSet.table);
    ReleaseDC(nullptr, screen);
    return fonts;
}

void DeletePageFonts(PageFonts& fonts) {
    for (HFONT* f : {&fonts.surface, &fonts.caption, &fonts.number, &fonts.table}) {
        if (*f != nullptr) DeleteObject(*f);
        *f = nullptr;
    }
}
