#include "text/language.h"

#include "model/settings.h"

const char* GetTextIn(uint16_t languageBase, TextId id) {
    if (languageBase != kLanguageGerman && languageBase != kLanguageDanish) languageBase = kLanguageEnglish;
    if (id >= 200) return "";
    return LanguageTable[languageBase + id];
}

const char* GetText(TextId id) { return GetTextIn(gConfig.languageBase, id); }
