// Fonts for a printed page. The page mapping stretches the layout by different factors across and
// down, and a font is made for its height: on a portrait page its characters come out two to four
// times as wide in layout pixels as on the screen, so texts overlap and run off the page. The
// page's fonts are the screen's made again, lower where needed, so that their characters are no
// wider on the page than on the screen, measured on the page after the mapping is set.
#pragma once

#include <windows.h>

#include "view/drawing_resources_win32.h"

struct PageFonts {
    HFONT surface;  // stands for the screen's system font, selected as the page's own font
    HFONT caption, number, table;
};

// The fonts for a page whose mapping is set, made like the screen set's; null members where a font
// could not be made.
PageFonts CreatePageFonts(HDC page, const DrawingResources& screenSet);
void DeletePageFonts(PageFonts& fonts);

// A font like `like`, lowered until its characters are at most `width` layout pixels wide on the
// page; only its height is chosen, so every printer draws it as measured.
HFONT CreateFontOfWidth(HDC page, const LOGFONTA& like, int width);
