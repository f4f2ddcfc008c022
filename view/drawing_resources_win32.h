// The GDI objects of the drawing set: a pen and a brush per palette colour, and three fonts.
// Created once in WM_CREATE of the main window and deleted in its WM_DESTROY (UI thread).
#pragma once

#include <windows.h>

// Nine brushes in palette order, then nine pens, then the caption, number and table fonts. The
// table font takes its height from the layout chosen, so LayoutIndex must be set first. Calling
// it again replaces the set.
void CreateDrawingResources();
// Every pen and brush, then the fonts; afterwards the accessors return null until the next
// CreateDrawingResources. Nothing may still hold one of them selected.
void DeleteDrawingResources();

// Null for an index outside the palette or while the set does not exist; GDI ignores the
// selection of a null object, so drawing goes on with what is selected.
HPEN PalettePen(int index);
HBRUSH PaletteBrush(int index);
HFONT CaptionFont();
HFONT NumberFont();
HFONT TableFont();
