// The main window of the program and the entry sequence.
#pragma once

#include <windows.h>

// Everything WinMain does; returns the exit code.
int RunProgram(HINSTANCE instance, int showCommand);
