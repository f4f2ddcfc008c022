// The main window's command table (WM_COMMAND).
#pragma once

#include <windows.h>

// Carries out a command; false for an id the table does not know.
bool RunCommand(HWND hwnd, int id);

// Whether the table has a handler for the id (without running it).
[[nodiscard]] bool HandlesCommand(int id);
