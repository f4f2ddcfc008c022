// The printed parameter page: a dated header and the parameters of all 16 cuts as a table with
// one column per cut, the common parameters above it. Drawn in layout pixels (the page mapping
// stretches them over the printable area) with the page font selected as the surface's font.
#pragma once

#include "model/model.h"
#include "print/page_mapping.h"
#include "view/canvas.h"

// The page font: fixed pitch, modern family, normal weight.
constexpr int kParameterPageFontHeight = 15;  // layout pixels
constexpr int kParameterPageFontWeight = 400;
constexpr const char* kParameterPageFontFace = "CourierNew";

// The table's character cell, in layout pixels: a 13-character label and sixteen columns of five
// characters between margins of 20 fill the layout's width (6 in 640x480, 8 in 800x600). The
// widest value a cell can print has four characters ("25.0", "Nein"), so a column keeps at least
// one empty cell between its values.
int ParameterPageCharWidth(int layoutIndex);

// The page font's height in layout pixels (at most kParameterPageFontHeight) under a page mapping,
// for a font whose characters are naturalWidth wide where its cells are naturalHeight high
// (measured without a mapping). A device may stretch the font with the mapping or draw it at its
// natural proportions with the height mapped (a printer's own fonts): the height is chosen so that
// a character is no wider than ParameterPageCharWidth on the page either way.
int ParameterPageFontHeight(const PageMapping& m, int layoutIndex, int naturalWidth, int naturalHeight);

// date, time: the current date and time as the user's locale writes them (short date, no
// seconds). The columns lie on the fixed grid of ParameterPageCharWidth, whatever width the
// surface reports for its font, so that values as wide as the font is drawn stay apart.
// Leaves the text alignment, background colour and font as it found them.
void DrawParameterPage(Canvas& canvas, const UnitModel& model, const char* date, const char* time);
