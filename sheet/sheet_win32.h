// The parameter sheet on the platform: a modal property sheet of six pages over the owner window.
#pragma once

#include <windows.h>

// Runs the sheet for cut 0..15 and returns when it is closed: -1 when it could not be created
// (GetLastError tells why), otherwise a value the caller does not need.
[[nodiscard]] INT_PTR OpenParameterSheet(HWND owner, int cut);

// The one dialog procedure of all six pages; the page is known by its dialog resource.
INT_PTR CALLBACK SheetPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The sheet window while a sheet is open, else null. The first page created records it (the
// sheet opens on the Break page, so that is always the one); later calls change nothing.
HWND SheetWindow();
void RecordSheetWindow(HWND sheet);
