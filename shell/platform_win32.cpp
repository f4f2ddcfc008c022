// The instance handle the platform hands WinMain (set once at start).
#include "shell/platform_win32.h"

HINSTANCE gInstance = nullptr;
