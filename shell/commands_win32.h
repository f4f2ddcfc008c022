// The main window's command table (WM_COMMAND).
#pragma once

#include <windows.h>

// Carries out a command; false for an id the table does not know.
bool RunCommand(HWND hwnd, int id);

// Where the table sends an id, without running it: to a handler, to the handler that does nothing
// (a command whose work is not built yet), or nowhere.
enum class CommandRoute { kUnknown, kInert, kHandled };
CommandRoute RouteOf(int id);
