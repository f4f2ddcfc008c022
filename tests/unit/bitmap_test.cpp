#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "files/bitmap.h"
#include "tests/unit/temp_dir.h"

namespace {

uint32_t U32(const std::vector<char>& b, size_t at) {
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

TEST(BitmapTest, HeaderForEachDepth) {
    struct Case {
        int planes, bits;  // as the display reports them
        int32_t width, height;
        int c;  // depth in the file
        uint32_t rowBytes, colours, pixelOffset;
    };
    const Case cases[] = {
        {1, 1, 33, 2, 1, 8, 2, 62},           // 33 bits padded to 64
        {1, 2, 9, 1, 4, 8, 16, 118},          // 2 bits round up to 4
        {4, 1, 9, 1, 4, 8, 16, 118},          // four planes of one bit
        {1, 8, 800, 600, 8, 800, 256, 1078},  // the 1,024-byte table
        {1, 15, 3, 3, 16, 8, 65536, 54 + 262144},
        {1, 16, 640, 480, 16, 1280, 65536, 54 + 262144},
        {1, 24, 800, 600, 24, 2400, 0, 54},
        {1, 24, 5, 1, 24, 16, 0, 54},  // 15 bytes padded to 16
        {1, 32, 806, 651, 32, 3224, 0, 54},
        {1, 48, 2, 2, 32, 8, 0, 54},
    };
    auto header = std::make_unique<BitmapHeader>();
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.planes << "x" << k.bits << " bits");
        std::memset(header->colours, 0xAB, sizeof header->colours);
        BuildBitmapInfo(*header, k.width, k.height, k.planes, k.bits);
        const BitmapInfoHeader& h = header->info;
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, k.width);
        EXPECT_EQ(h.biHeight, k.height);
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, k.c);
        EXPECT_EQ(h.biCompression, 0u);
        EXPECT_EQ(BitmapRowBytes(h), k.rowBytes);
        EXPECT_EQ(h.biSizeImage, k.rowBytes * static_cast<uint32_t>(k.height));
        EXPECT_EQ(h.biClrUsed, k.colours);
        EXPECT_EQ(h.biClrImportant, 0u);
        EXPECT_EQ(BitmapPixelOffset(h), k.pixelOffset);
        EXPECT_EQ(BitmapFileSize(h), k.pixelOffset + h.biSizeImage);
        if (k.colours > 0) {
            EXPECT_EQ(header->colours[0], 0u);
            EXPECT_EQ(header->colours[k.colours - 1], 0u);
        }
    }
}

TEST(BitmapTest, FileLayoutAndAnExistingFileKeptOnFailure) {
    TempWorkDir dir;
    auto header = std::make_unique<BitmapHeader>();
    BuildBitmapInfo(*header, 3, 2, 1, 8);
    header->colours[255] = 0x00112233;
    std::vector<uint8_t> pixels(header->info.biSizeImage);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i + 1);

    // A complete file: file header, information header, 256 colours, rows of 4 bytes.
    ASSERT_EQ(WriteBitmapFile("a.bmp", *header, pixels.data()).failed, BitmapWriteStep::kNone);
    const std::vector<char> file = ReadAll("a.bmp");
    ASSERT_EQ(file.size(), 1078u + 8u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(U32(file, 2), 1086u);
    EXPECT_EQ(U32(file, 6), 0u);
    EXPECT_EQ(U32(file, 10), 1078u);
    EXPECT_EQ(U32(file, 14), 40u);
    EXPECT_EQ(U32(file, 14 + 32), 256u);  // biClrUsed
    EXPECT_EQ(U32(file, 54 + 4 * 255), 0x00112233u);
    EXPECT_EQ(static_cast<uint8_t>(file[1078]), 1);
    EXPECT_EQ(static_cast<uint8_t>(file[1085]), 8);
    EXPECT_FALSE(std::filesystem::exists("a.bmp.tmp"));

    // Replacing works; a target that cannot be replaced (a folder of that name) fails at the
    // last step, and the partial file is gone.
    BuildBitmapInfo(*header, 1, 1, 1, 32);
    EXPECT_EQ(WriteBitmapFile("a.bmp", *header, pixels.data()).failed, BitmapWriteStep::kNone);
    EXPECT_EQ(ReadAll("a.bmp").size(), 58u);
    std::filesystem::create_directory("folder.bmp");
    std::filesystem::create_directory("folder.bmp/inside");
    const BitmapWriteResult r = WriteBitmapFile("folder.bmp", *header, pixels.data());
    EXPECT_EQ(r.failed, BitmapWriteStep::kReplace);
    EXPECT_NE(r.code, 0);
    EXPECT_FALSE(std::filesystem::exists("folder.bmp.tmp"));

    // No folder to write in: nothing is created, the code says why.
    const BitmapWriteResult missing = WriteBitmapFile("no/such/folder/a.bmp", *header, pixels.data());
    EXPECT_EQ(missing.failed, BitmapWriteStep::kCreate);
    EXPECT_NE(missing.code, 0);
}

}  // namespace
