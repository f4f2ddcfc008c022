// Message boxes as the operator reads them: text, appended number, caption and icon.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "files/config.h"
#include "text/language.h"
#include "text/message.h"
#include "test_monitor.h"

namespace {

class MessageTest : public ::testing::Test {
protected:
    void SetUp() override { PresetConfiguration(TestConfig()); }
    void TearDown() override { PresetConfiguration(TestConfig()); }
};

TEST_F(MessageTest, NumberIsAppendedOnlyWhenNotZero) {
    struct Case {
        int32_t number;
        const char* text;
    };
    const Case cases[] = {
        {0, "Failed importing statistics"},
        {2, "Failed importing statistics: 2"},
        {-5, "Failed importing statistics: -5"},
        {30007, "Failed importing statistics: 30007"},
    };
    for (const Case& c : cases) {
        const ComposedMessage m = ComposeMessage(123, kCaptionError, c.number);
        EXPECT_STREQ(m.text, c.text);
        EXPECT_STREQ(m.caption, "Error!");
        EXPECT_TRUE(m.errorIcon);
    }
}

TEST_F(MessageTest, InformationBelow110ErrorFrom110On) {
    const ComposedMessage dump = ComposeMessage(101, kCaptionScreenDump, 0);
    EXPECT_STREQ(dump.text, "No curve present,\naborting action.");  // two lines in the box
    EXPECT_STREQ(dump.caption, "Screen Dump");
    EXPECT_FALSE(dump.errorIcon);

    EXPECT_FALSE(ComposeMessage(100, kCaptionError, 0).errorIcon);
    EXPECT_FALSE(ComposeMessage(109, kCaptionError, 0).errorIcon);
    EXPECT_TRUE(ComposeMessage(110, kCaptionError, 0).errorIcon);
    EXPECT_TRUE(ComposeMessage(114, kCaptionCommunication, 0).errorIcon);
    EXPECT_TRUE(ComposeMessage(131, kCaptionScreenDump, 0).errorIcon);
}

TEST_F(MessageTest, ComposedInTheLanguageInUse) {
    TestConfig().languageBase = kLanguageGerman;
    const ComposedMessage m = ComposeMessage(100, kCaptionError, 0);
    EXPECT_STREQ(m.text,
                 "Kein KVD angeschlossen. \xdc"
                 "bertragung nicht m\xf6glich.\nIgnorieren?");
    EXPECT_STREQ(m.caption, "Fehler!");

    TestConfig().languageBase = kLanguageDanish;
    const ComposedMessage port = ComposeMessage(114, kCaptionCommunication, 0);
    EXPECT_STREQ(port.text, "COM-Port optaget eller ikke-eksisterende");
    EXPECT_STREQ(port.caption, "Kommunikation");
}

TEST_F(MessageTest, EmptyTextIdGivesAnEmptyText) {
    TestConfig().languageBase = kLanguageGerman;
    EXPECT_STREQ(ComposeMessage(56, kCaptionError, 0).text, "");
    EXPECT_STREQ(ComposeMessage(56, 57, 0).caption, "");
}

// The longest message of all three languages with the longest number still fits whole.
TEST_F(MessageTest, LongestTextWithLongestNumberIsNotCut) {
    for (uint16_t base : {kLanguageEnglish, kLanguageGerman, kLanguageDanish}) {
        TestConfig().languageBase = base;
        for (TextId id = 100; id <= 131; ++id) {
            const std::string expected = std::string(GetText(id)) + ": -2147483648";
            EXPECT_EQ(ComposeMessage(id, kCaptionError, INT32_MIN).text, expected) << base << "/" << id;
        }
    }
}

}  // namespace
