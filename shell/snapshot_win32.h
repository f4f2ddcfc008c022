// CycleSnapshot: the window as it looked at the end of the last cycle (command 30000).
#pragma once

#include <windows.h>

void TakeCycleSnapshot(HWND hwnd);
void DeleteCycleSnapshot();
[[nodiscard]] bool HaveCycleSnapshot();
HDC CycleSnapshotDC();
HBITMAP CycleSnapshotBitmap();
