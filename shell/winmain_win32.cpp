// Entry point: presets, window classes, the main window, the message loop.
#include <windows.h>

#include "shell/main_window_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return RunProgram(instance, showCommand);
}
