// The other resources of the built program: accelerators, strings, icon, dialogs, version and
// manifest.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class ProgramResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = LoadLibraryExA(ZAVIZE_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(program_, nullptr) << ZAVIZE_EXE << " error " << GetLastError();
    }
    void TearDown() override {
        if (program_ != nullptr) FreeLibrary(program_);
    }

    // The bytes of a resource, empty when it is missing.
    std::string Bytes(LPCSTR type, int id) {
        HRSRC found = FindResourceA(program_, MAKEINTRESOURCEA(id), type);
        if (found == nullptr) return {};
        HGLOBAL loaded = LoadResource(program_, found);
        const char* data = static_cast<const char*>(LockResource(loaded));
        return data == nullptr ? std::string() : std::string(data, SizeofResource(program_, found));
    }

    HMODULE program_ = nullptr;
};

TEST_F(ProgramResourcesTest, QuestionMarkAndSlashBothOpenAbout) {
    HACCEL table = LoadAcceleratorsA(program_, MAKEINTRESOURCEA(106));
    ASSERT_NE(table, nullptr);
    ACCEL entries[8];
    const int count = CopyAcceleratorTableA(table, entries, 8);
    DestroyAcceleratorTable(table);
    ASSERT_EQ(count, 2);
    std::string keys;
    for (int i = 0; i < count; ++i) {
        keys += static_cast<char>(entries[i].key);
        EXPECT_EQ(entries[i].cmd, 104);
        // Characters as typed, not virtual keys, and no Shift/Ctrl/Alt condition.
        EXPECT_EQ(entries[i].fVirt & (FVIRTKEY | FSHIFT | FCONTROL | FALT), 0) << i;
    }
    EXPECT_EQ(keys, "?/");
}

TEST_F(ProgramResourcesTest, CaptionAndClassNameStrings) {
    char caption[101] = "";
    char className[101] = "";
    EXPECT_GT(LoadStringA(program_, 103, caption, sizeof caption), 0);
    EXPECT_GT(LoadStringA(program_, 106, className, sizeof className), 0);
    EXPECT_STREQ(caption, "ZavIze KVD Tool Monitor");
    EXPECT_STREQ(className, "ZAVIZE");
}

TEST_F(ProgramResourcesTest, IconGroupHas16And32PixelImages) {
    std::string group = Bytes(RT_GROUP_ICON, 107);
    ASSERT_FALSE(group.empty());
    for (int size : {16, 32}) {
        const int id = LookupIconIdFromDirectoryEx(reinterpret_cast<PBYTE>(group.data()), TRUE, size, size,
                                                   LR_DEFAULTCOLOR);
        ASSERT_NE(id, 0) << size;
        HICON icon =
            static_cast<HICON>(LoadImageA(program_, MAKEINTRESOURCEA(107), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bitmap{};
        GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        EXPECT_EQ(bitmap.bmHeight, size);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

TEST_F(ProgramResourcesTest, AboutAndUploadDialogTemplatesArePresent) {
    EXPECT_FALSE(Bytes(RT_DIALOG, 103).empty());
    EXPECT_FALSE(Bytes(RT_DIALOG, 135).empty());
}

TEST_F(ProgramResourcesTest, VersionIs1Point9) {
    const std::string version = Bytes(RT_VERSION, 1);
    const DWORD signature = 0xFEEF04BD;
    const size_t at = version.find(std::string(reinterpret_cast<const char*>(&signature), 4));
    ASSERT_NE(at, std::string::npos);
    VS_FIXEDFILEINFO info;
    ASSERT_LE(at + sizeof info, version.size());
    std::memcpy(&info, version.data() + at, sizeof info);
    EXPECT_EQ(info.dwFileVersionMS, MAKELONG(9, 1));
    EXPECT_EQ(info.dwProductVersionMS, MAKELONG(9, 1));
    EXPECT_EQ(info.dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST_F(ProgramResourcesTest, ManifestAsksForCommonControls6AndNoElevation) {
    const std::string manifest = Bytes(MAKEINTRESOURCEA(24), 1);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
}

}  // namespace
