// The built-in texts in three languages, addressed by TextId (0..199, and the added texts from
// 200 on); the language in use is the configuration's languageBase (0 English, 200 German, 400
// Danish).
#pragma once

#include <cstdint>

#include "model/settings.h"

constexpr int kLanguageEntries = 600;
constexpr int kTextSize = 64;  // zero-terminated, at most 63 characters
constexpr uint16_t kLanguageEnglish = 0;
constexpr uint16_t kLanguageGerman = 200;
constexpr uint16_t kLanguageDanish = 400;

using TextId = uint16_t;

extern const char LanguageTable[kLanguageEntries][kTextSize];

// Texts added after the table, TextIds kFirstAddedText .. kFirstAddedText + kAddedTexts - 1,
// one block per language in the table's order.
constexpr int kLanguageCount = 3;
constexpr TextId kFirstAddedText = 200;
constexpr int kAddedTexts = 34;
extern const char AddedLanguageTable[kLanguageCount][kAddedTexts][kTextSize];

// Text of a TextId in the language in use; an unknown language base reads as English and a
// TextId beyond the added texts as the empty text, so a lookup never leaves the tables.
const char* GetText(TextId id);
// The configuration whose language GetText reads from now on (English until one is named). The
// record must outlive every lookup: the monitor names its own when it is made, a tool its own.
void ReadTextsIn(const ConfigurationRecord& config);
// Text of a TextId in a given language base.
const char* GetTextIn(uint16_t languageBase, TextId id);
