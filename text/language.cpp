#include "text/language.h"

#include "model/settings.h"

const char* GetTextIn(uint16_t languageBase, TextId id) {
    if (languageBase != kLanguageGerman && languageBase != kLanguageDanish) languageBase = kLanguageEnglish;
    if (id < kFirstAddedText) return LanguageTable[languageBase + id];
    if (id < kFirstAddedText + kAddedTexts)
        return AddedLanguageTable[languageBase / 200][id - kFirstAddedText];
    return "";
}

namespace {
// The language every text lookup reads: the views, the messages and the dialogs' procedures, which
// Windows calls with no record of ours, look texts up by id alone.
const ConfigurationRecord* gTextLanguage = nullptr;
}  // namespace

void ReadTextsIn(const ConfigurationRecord& config) { gTextLanguage = &config; }

const char* GetText(TextId id) {
    return GetTextIn(gTextLanguage != nullptr ? gTextLanguage->languageBase : kLanguageEnglish, id);
}
