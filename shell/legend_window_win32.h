// The legend window: a 150x150 popup that explains the colours of the curve (Help / Legend).
#pragma once

#include <windows.h>

#include "res/resource.h"

extern const char kLegendClassName[];  // "LEGEND"
constexpr int kLegendCommand = IDM_LEGEND;

LRESULT CALLBACK LegendWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Opens the legend window, or closes it when it is open.
void ToggleLegendWindow(HWND mainWindow);
