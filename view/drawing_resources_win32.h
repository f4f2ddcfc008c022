// The GDI objects of the drawing set: a pen and a brush per palette colour, and three fonts. One
// set per window that owns it: the main window's state makes its set in WM_CREATE and deletes it
// when the window goes, and hands it to every canvas it draws with (and to the print jobs, whose
// page fonts are made like its fonts). UI thread only.
#pragma once

#include <windows.h>

#include "view/palette.h"

// Zeroed, a set holds nothing: every accessor gives null.
struct DrawingResources {
    HBRUSH brushes[kPaletteSize];
    HPEN pens[kPaletteSize];
    HFONT caption, number, table;
    Layout layout;  // the layout the set was made for: its canvases draw in it
};

// Nine brushes in palette order, then nine pens, then the caption, number and table fonts, for a
// layout (the table font takes its height from it). Calling it again replaces the set's objects.
void CreateDrawingResources(DrawingResources& set, const Layout& layout);
// Every pen and brush, then the fonts; afterwards the accessors return null until the next
// CreateDrawingResources. Nothing may still hold one of them selected. A set already deleted (or
// never made) is left as it is.
void DeleteDrawingResources(DrawingResources& set);

// Null for an index outside the palette or while the set holds nothing; GDI ignores the
// selection of a null object, so drawing goes on with what is selected.
HPEN PalettePen(const DrawingResources& set, int index);
HBRUSH PaletteBrush(const DrawingResources& set, int index);
