#include "shell/language_switch_win32.h"

#include "files/config.h"
#include "text/language.h"
#include "text/message.h"
#include "text/message_win32.h"
#include "res/resource.h"

namespace {

constexpr int kMenuOffset = 200;  // menu resource of a language: languageBase + 200
constexpr int kPorts = 16;

uint16_t KnownLanguage(uint16_t languageBase) {
    return languageBase == kLanguageGerman || languageBase == kLanguageDanish ? languageBase
                                                                              : kLanguageEnglish;
}

void Check(HMENU menu, int id) { CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | MF_CHECKED); }

}  // namespace

HMENU LoadLanguageMenu(uint16_t languageBase) {
    return LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(KnownLanguage(languageBase) + kMenuOffset));
}

int DisplayMenuItem(int displayMode) {
    return displayMode == static_cast<int>(Display::kForecast) ? IDM_SHOW_FORECAST
                                                               : IDM_SHOW_POWER + displayMode;
}

void SetMenuChecks(HMENU menu, int comPort, uint16_t languageBase, uint16_t displayMode) {
    if (comPort >= 1 && comPort <= kPorts) Check(menu, IDM_COM_FIRST - 1 + comPort);
    Check(menu, IDM_LANGUAGE_ENGLISH + KnownLanguage(languageBase));
    if (displayMode < kDisplayCount) Check(menu, DisplayMenuItem(displayMode));
}

void SwitchLanguage(HWND window, ConfigurationRecord& config, uint16_t languageBase, int comPort) {
    config.languageBase = KnownLanguage(languageBase);
    // The new menu is attached before the old one is destroyed: the window never holds a
    // destroyed menu, and keeps its old one should the new one fail to load.
    HMENU old = GetMenu(window);
    if (HMENU menu = LoadLanguageMenu(config.languageBase)) {
        if (SetMenu(window, menu)) {
            if (old != nullptr) DestroyMenu(old);
            SetMenuChecks(menu, comPort, config.languageBase, config.DisplayMode);
        } else {
            DestroyMenu(menu);
        }
    }
    if (const int32_t r = SaveConfiguration(config))
        ShowMessage(window, kTextConfigurationFailed, kCaptionError, r);
    InvalidateRect(window, nullptr, TRUE);
}
