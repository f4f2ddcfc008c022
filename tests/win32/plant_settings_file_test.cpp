// ZAVIze.ini's password under the system's own profile functions and DPAPI: a plain password
// typed by hand is read, then replaced by the protected form with every other line as it was; the
// protected form reads back; what this Windows user cannot unprotect leaves the link off with a
// clear message; a save without a password leaves no trace of one.
#include <gtest/gtest.h>

#include <string>

#include "plant/plant_settings_win32.h"
#include "tests/unit/temp_dir.h"

namespace {

std::string Text() {
    const std::vector<char> bytes = ReadAll("ZAVIze.ini");
    return {bytes.begin(), bytes.end()};
}

TEST(PlantSettingsFile, APasswordIsKeptProtectedAndAHandTypedOneIsProtectedAtTheNextSave) {
    TempWorkDir dir;
    const std::string hand =
        "[plant]\r\nenabled=1\r\nhost=broker.plant.local\r\nuser=mill-1\r\npassword=Secret-42\r\n";
    WriteAll("ZAVIze.ini", {hand.begin(), hand.end()});
    PlantSettings s{};
    char message[kPlantMessageMax] = "";
    bool plain = false;
    ASSERT_TRUE(ReadPlantSettingsFile(s, message, sizeof message, &plain)) << message;
    EXPECT_TRUE(plain);
    EXPECT_STREQ(s.password, "Secret-42");

    ASSERT_TRUE(ProtectPlantPasswordInFile(s.password, message, sizeof message)) << message;
    std::string text = Text();
    EXPECT_EQ(text.find("Secret-42"), std::string::npos) << text;
    EXPECT_EQ(text.find("\npassword="), std::string::npos) << text;
    EXPECT_NE(text.find("\npassword_protected="), std::string::npos) << text;
    // Nothing else changed: no default was written into the file by the way.
    EXPECT_NE(text.find("host=broker.plant.local\r\nuser=mill-1\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("machine="), std::string::npos) << text;

    PlantSettings again{};
    ASSERT_TRUE(ReadPlantSettingsFile(again, message, sizeof message, &plain)) << message;
    EXPECT_FALSE(plain);
    EXPECT_STREQ(again.password, "Secret-42");
    EXPECT_STREQ(again.user, "mill-1");

    // The dialog's save: every key it edits, the password protected.
    std::snprintf(again.machine, sizeof again.machine, "mill-7");
    again.port = 8883;
    again.tls = true;
    std::snprintf(again.caFile, sizeof again.caFile, "C:\\plant\\ca.pem");
    ASSERT_TRUE(WritePlantSettingsFile(again, message, sizeof message)) << message;
    EXPECT_EQ(Text().find("Secret-42"), std::string::npos);
    PlantSettings saved{};
    ASSERT_TRUE(ReadPlantSettingsFile(saved, message, sizeof message)) << message;
    EXPECT_TRUE(saved.enabled && saved.tls);
    EXPECT_STREQ(saved.host, "broker.plant.local");
    EXPECT_EQ(saved.port, 8883);
    EXPECT_STREQ(saved.machine, "mill-7");
    EXPECT_STREQ(saved.caFile, "C:\\plant\\ca.pem");
    EXPECT_STREQ(saved.password, "Secret-42");

    // A protected value this user cannot read (another user's, or damaged): the link stays off.
    text = Text();
    const std::size_t at = text.find("password_protected=") + 19 + 40;
    text[at] = text[at] == '0' ? '1' : '0';
    WriteAll("ZAVIze.ini", {text.begin(), text.end()});
    PlantSettings refused{};
    EXPECT_FALSE(ReadPlantSettingsFile(refused, message, sizeof message));
    EXPECT_FALSE(refused.enabled);
    EXPECT_NE(std::string(message).find("password_protected cannot be read"), std::string::npos) << message;

    // Saved without a user and password: neither form is left.
    saved.user[0] = saved.password[0] = '\0';
    ASSERT_TRUE(WritePlantSettingsFile(saved, message, sizeof message)) << message;
    text = Text();
    EXPECT_EQ(text.find("password"), std::string::npos) << text;
    EXPECT_EQ(text.find("user="), std::string::npos) << text;
}

}  // namespace
