#include "text/language.h"

#include "model/settings.h"

const char* GetTextIn(uint16_t languageBase, TextId id) {
    if (languageBase != kLanguageGerman && languageBase != kLanguageDanish) languageBase = kLanguageEnglish;
    if (id < kFirstAddedText) return LanguageTable[languageBase + id];
    if (id < kFirstAddedText + kAddedTexts)
        return AddedLanguageTable[languageBase / 200][id - kFirstAddedText];
    return "";
}

const char* GetText(TextId id) { return GetTextIn(gConfig.languageBase, id); }
