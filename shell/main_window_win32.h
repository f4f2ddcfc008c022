// The main window of the program and the entry sequence.
#pragma once

#include <windows.h>

// Everything WinMain does; returns the exit code (the wParam of WM_QUIT, or 0).
int RunProgram(HINSTANCE instance, int showCommand);

// Main window procedure (also used by tests that create the window themselves).
LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
