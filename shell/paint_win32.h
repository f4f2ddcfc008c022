// Paint composition of the main window and region invalidation.
#pragma once

#include <windows.h>

#include "view/layout.h"

void PaintMainWindow(HWND hwnd);
// InvalidateRect for a region of the layout in use (kWholeWindow: the whole client area).
void InvalidateRegion(HWND hwnd, Region region, bool erase);
