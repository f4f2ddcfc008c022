// Paint composition of the main window and region invalidation.
#pragma once

#include <windows.h>

#include "view/layout.h"

void PaintMainWindow(HWND hwnd);
// InvalidateRect for a region of the layout in use (kWholeWindow: the whole client area). The
// curve's new points and the power bar, asked for without an erase, are drawn by PaintAtTick.
void InvalidateRegion(HWND hwnd, Region region, bool erase);
// At the end of a timer tick: draws what the tick asked for of the new points and the power bar
// into the window's DC, clipped to those rectangles, as a paint of them would.
void PaintAtTick(HWND hwnd);
