// The one handle of the running program that the Win32 layer shares: the instance. The platform
// hands it once to WinMain, and the window procedures and dialog procedures that need it to make
// windows and load resources have no parameter for it; it is set once at start (UI thread) and
// never changes.
#pragma once

#include <windows.h>

extern HINSTANCE gInstance;
