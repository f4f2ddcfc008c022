// The menu of each language and the switch between languages (commands 34000, 34200, 34400).
#pragma once

#include <windows.h>

#include <cstdint>

#include "model/settings.h"

// The menu resource languageBase + 200 of the running program; an unknown base loads the English
// menu. Null only when the resource cannot be loaded.
HMENU LoadLanguageMenu(uint16_t languageBase);

// The check marks of a freshly loaded menu: the COM item of the port (1..16), the item of the
// language and the Window item of the view (0 power, 1 work statistics, 2 parameter table).
// A port or view outside its range gets no mark, so no unrelated item is checked instead; an
// unknown language base marks English.
// The Window menu's item of a display (the first three are IDM_SHOW_POWER + mode).
int DisplayMenuItem(int displayMode);

void SetMenuChecks(HMENU menu, int comPort, uint16_t languageBase, uint16_t displayMode);

// The whole switch, also when the language is already the one in use: languageBase into the
// configuration (an unknown base means English), the window's menu replaced by the language's
// menu with its three check marks (comPort without the not-open marker; the view from the
// configuration), the configuration file saved (a failure is shown as TextId 111 with the
// result number; the switch stays in force) and the whole client area repainted with erasing.
void SwitchLanguage(HWND window, ConfigurationRecord& config, uint16_t languageBase, int comPort);
