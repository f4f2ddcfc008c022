// Points the portable core's seams at the Win32 layer (once, in WM_CREATE, before the port opens):
// the main window's monitor record gets its link's services, each with the object it acts on.
#pragma once

#include <windows.h>

void InstallPlatformSeams(HWND mainWindow);
