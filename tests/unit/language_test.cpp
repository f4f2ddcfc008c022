// The built-in texts: which TextIds hold a text, the fixed widths, the code page 1252 bytes and
// the lookup. Expectations are written here from the texts as the operator sees them, with the
// non-ASCII letters as explicit byte escapes, not copied from the table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "files/config.h"
#include "text/text_ids.h"
#include "text/language.h"
#include "test_monitor.h"

namespace {

constexpr uint16_t kBases[] = {kLanguageEnglish, kLanguageGerman, kLanguageDanish};

// The 112 TextIds that hold a text in every language.
std::set<int> PresentIds() {
    std::set<int> ids;
    auto range = [&](int first, int last) {
        for (int id = first; id <= last; ++id) ids.insert(id);
    };
    range(0, 55);     // titles, words, page labels, captions
    range(60, 68);    // short forms and lamp labels
    range(70, 92);    // padded parameter names
    range(100, 101);  // question and information
    range(110, 131);  // error messages
    return ids;
}

std::string Entry(uint16_t base, int id) { return std::string(LanguageTable[base + id]); }

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override { PresetConfiguration(TestConfig()); }
    void TearDown() override { PresetConfiguration(TestConfig()); }
};

TEST_F(LanguageTest, EveryBlockHoldsExactlyThe112TextIdsAndNoOthers) {
    const std::set<int> present = PresentIds();
    ASSERT_EQ(present.size(), 112u);
    for (uint16_t base : kBases) {
        for (int id = 0; id < 200; ++id) {
            SCOPED_TRACE("language " + std::to_string(base) + " TextId " + std::to_string(id));
            EXPECT_EQ(Entry(base, id).empty(), present.count(id) == 0);
        }
    }
}

TEST_F(LanguageTest, EntriesAreTerminatedAndPaddedWithZeroBytes) {
    for (int entry = 0; entry < kLanguageEntries; ++entry) {
        const char* e = LanguageTable[entry];
        const size_t length = strnlen(e, kTextSize);
        ASSERT_LT(length, static_cast<size_t>(kTextSize)) << "entry " << entry << " has no terminator";
        for (size_t i = length; i < kTextSize; ++i)
            ASSERT_EQ(e[i], '\0') << "entry " << entry << " byte " << i;
    }
}

TEST_F(LanguageTest, ParameterNamesAre13AndBluntAlarmChoices11CharactersWide) {
    for (uint16_t base : kBases) {
        for (int id = 70; id <= 92; ++id) EXPECT_EQ(Entry(base, id).size(), 13u) << base << "/" << id;
        EXPECT_EQ(Entry(base, 50).size(), 11u) << base;
        EXPECT_EQ(Entry(base, 51).size(), 11u) << base;
    }
    // The padding is made of spaces, and they count.
    EXPECT_EQ(Entry(kLanguageEnglish, 73), "Blunt Mode   ");
    EXPECT_EQ(Entry(kLanguageGerman, 73), "Stumpf Modus ");
    EXPECT_EQ(Entry(kLanguageEnglish, 50), "End        ");
    EXPECT_EQ(Entry(kLanguageDanish, 51), "\xd8jeblik.   ");
}

// Only plain ASCII, the line feed and the few code page 1252 letters of German and Danish occur;
// a text saved in another encoding (two bytes per letter, for instance) would show up here.
TEST_F(LanguageTest, OnlyAsciiAndTheExpectedCodePage1252LettersOccur) {
    const std::set<unsigned char> letters = {
        0xC4, 0xD6, 0xDC, 0xE4, 0xF6, 0xFC, 0xDF,  // Ä Ö Ü ä ö ü ß
        0xC6, 0xD8, 0xC5, 0xE6, 0xF8, 0xE5,        // Æ Ø Å æ ø å
    };
    for (uint16_t base : kBases) {
        for (int id = 0; id < kFirstAddedText + kAddedTexts; ++id) {
            for (unsigned char c : std::string(GetTextIn(base, static_cast<TextId>(id)))) {
                const bool ascii = c == '\n' || (c >= 32 && c < 127);
                EXPECT_TRUE(ascii || (base != kLanguageEnglish && letters.count(c) == 1))
                    << "language " << base << " TextId " << id << " byte " << int(c);
            }
        }
    }
}

TEST_F(LanguageTest, NonAsciiLettersAreTheirCodePage1252Bytes) {
    struct Case {
        uint16_t base;
        int id;
        size_t position;
        unsigned char byte;
    };
    const Case cases[] = {
        {kLanguageGerman, 0, 0, 220},     // "Über"
        {kLanguageGerman, 27, 8, 228},    // "Stumpf Zähler"
        {kLanguageGerman, 131, 18, 223},  // "Fehler beim Schließen der Datei..."
        {kLanguageGerman, 122, 12, 246},  // "Monitor-Auflösung zu klein"
        {kLanguageDanish, 10, 1, 230},    // "Fælles parametre"
        {kLanguageDanish, 122, 8, 248},   // "Skærmopløsning ..."
        {kLanguageDanish, 39, 4, 229},    // "kW-Måleområde"
        {kLanguageDanish, 63, 0, 216},    // "Øjb"
    };
    for (const Case& c : cases) {
        const std::string text = Entry(c.base, c.id);
        ASSERT_GT(text.size(), c.position) << c.base << "/" << c.id;
        EXPECT_EQ(static_cast<unsigned char>(text[c.position]), c.byte) << c.base << "/" << c.id;
    }
}

TEST_F(LanguageTest, SpotChecksInAllThreeLanguages) {
    struct Row {
        int id;
        const char* english;
        const char* german;
        const char* danish;
    };
    const Row rows[] = {
        {0, "About",
         "\xdc"
         "ber",
         "Omkring"},
        {15, "Relays disabled!", "Relais blockiert!",
         "Rel\xe6"
         "er inaktive!"},
        {40, "Sending Parameters to KVD",
         "\xdc"
         "bertragen Parameter zum KVD",
         "Sender parametre til KVD"},
        {53, "Error!", "Fehler!", "Fejl!"},
        {55, "Screen Dump", "Bildschirm speichern", "Sk\xe6rmdump"},
        {76, "Blunt Count  ", "Stumpf Z\xe4hler", "Slid-t\xe6ller  "},
        {100, "KVD not connected. Parameters can not be transmitted.\nContinue?",
         "Kein KVD angeschlossen. \xdc"
         "bertragung nicht m\xf6glich.\nIgnorieren?",
         "KVD ikke forbundet. Parametre kan ikke sendes.\nForts\xe6t?"},
        {125, "KVD not found on any COM-port", "KVD nicht gefunden", "KVD ikke fundet p\xe5 nogen COM-port"},
        {131, "Error closing file...",
         "Fehler beim Schlie\xdf"
         "en der Datei...",
         "Fejl ved lukning af fil..."},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Entry(kLanguageEnglish, r.id), r.english) << r.id;
        EXPECT_EQ(Entry(kLanguageGerman, r.id), r.german) << r.id;
        EXPECT_EQ(Entry(kLanguageDanish, r.id), r.danish) << r.id;
    }
}

TEST_F(LanguageTest, LineFeedsBreakOnlyTheFiveTwoLineMessages) {
    const std::set<int> twoLines = {100, 101, 112, 113, 122};
    for (uint16_t base : kBases) {
        for (int id = 0; id < 200; ++id) {
            const std::string text = Entry(base, id);
            const size_t breaks = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
            EXPECT_EQ(breaks, twoLines.count(id)) << base << "/" << id;
        }
    }
    EXPECT_EQ(Entry(kLanguageEnglish, 101)[17], 10);  // "No curve present," then the break
}

TEST_F(LanguageTest, TextId18HoldsARealBackslash) {
    EXPECT_EQ(Entry(kLanguageEnglish, 18), "Param.\x5c  Cut#");
    EXPECT_EQ(Entry(kLanguageGerman, 18), "Param.\x5c  Schnitt#");
    EXPECT_EQ(Entry(kLanguageDanish, 18), "Param.\x5cSnitnr");
}

TEST_F(LanguageTest, GetTextFollowsTheConfiguredLanguage) {
    EXPECT_STREQ(GetText(kTextError), "Error!");  // English until the configuration is read
    TestConfig().languageBase = kLanguageGerman;
    EXPECT_STREQ(GetText(kTextError), "Fehler!");
    EXPECT_STREQ(GetText(56), "");
    TestConfig().languageBase = kLanguageDanish;
    EXPECT_STREQ(GetText(kTextError), "Fejl!");
    EXPECT_EQ(GetText(199), LanguageTable[599]);  // the last entry of the table
}

TEST_F(LanguageTest, UnknownLanguageReadsAsEnglishAndTextIdsBeyondTheAddedTextsAsEmpty) {
    for (uint16_t base : {uint16_t{1}, uint16_t{199}, uint16_t{300}, uint16_t{600}, uint16_t{65535}}) {
        EXPECT_STREQ(GetTextIn(base, 53), "Error!") << base;
        EXPECT_STREQ(GetTextIn(base, 199), "") << base;
        EXPECT_STREQ(GetTextIn(base, kTextCycles), "cycles") << base;
    }
    // The added texts follow the table in each language; past the last one nothing is read.
    EXPECT_STREQ(GetTextIn(kLanguageEnglish, kTextForecast), "Forecast");
    EXPECT_STREQ(GetTextIn(kLanguageGerman, kTextChangeToolWithin), "Werkzeug wechseln in");
    EXPECT_STREQ(GetTextIn(kLanguageDanish, kTextTooFewCycles), "for f\xe5 cyklusser");
    for (TextId id : {TextId{kFirstAddedText + kAddedTexts}, TextId{399}, TextId{65535}}) {
        EXPECT_STREQ(GetTextIn(kLanguageDanish, id), "") << id;
    }
}

}  // namespace
