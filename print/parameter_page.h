// The printed parameter page: a dated header and the parameters of all 16 cuts as a table with
// one column per cut, the common parameters above it. Drawn in layout pixels (the page mapping
// stretches them over the printable area) with the page font selected as the surface's font.
#pragma once

#include "view/canvas.h"

// The page font: fixed pitch, modern family, normal weight.
constexpr int kParameterPageFontHeight = 15;  // layout pixels
constexpr int kParameterPageFontWeight = 400;
constexpr const char* kParameterPageFontFace = "CourierNew";

// The widest character, in layout pixels, with which a 13-character label and sixteen columns of
// five characters, between margins of 20, fit the layout's width (6 in 640x480, 8 in 800x600).
// Under the page mapping a font of natural proportions is much wider in layout pixels than it
// is on the screen (in portrait about twice), so the page font is made this wide.
int ParameterPageCharWidth(int layoutIndex);

// date, time: the current date and time as the user's locale writes them (short date, no
// seconds). The average character width is read from the canvas after the header line and
// limited to ParameterPageCharWidth, so the columns stay on the page whatever font answered.
// Leaves the text alignment, background colour and font as it found them.
void DrawParameterPage(Canvas& canvas, const char* date, const char* time);
