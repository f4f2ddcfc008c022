// Choosing the printer of one print command and creating its device context.
#pragma once

#include <windows.h>

#include <cstdint>

struct PrinterChoice {
    int32_t result;  // 0, or the system's or the page-setup dialog's error code
    HDC dc;          // with result 0: the printer, or null when the user cancelled
};

// On the 95/98/Me family the default printer in landscape, without a dialog; on the NT family
// the page-setup dialog over owner, with the printer and orientation the user picks there. A
// device context that cannot be created is an error with the system's code, never a silent
// cancel. The caller deletes the device context.
[[nodiscard]] PrinterChoice ChoosePrinter(HWND owner);
