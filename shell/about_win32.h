// The About box (dialog 103, command 104).
#pragma once

#include <windows.h>

// Modal over the owner; its title is the "About" text of the language in use. OK, Escape and
// the close box end it.
void ShowAboutBox(HWND owner);
