// The screen dump's file: a Windows bitmap (".bmp") of the end-of-cycle snapshot. The header is
// built here from the snapshot's size and depth; the platform fetches the pixel rows into the
// buffer it describes (files/bitmap_win32.h), and the file is written here.
#pragma once

#include <bit>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "the bitmap records are written as they lie in memory");

// The bitmap information header, laid out as the file holds it (40 bytes, little-endian).
struct BitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;  // positive: the rows run bottom-up
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;  // 0: uncompressed
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

// A colour table holds 2^bits entries below 24 bits per pixel, so 65,536 at 16 bits.
constexpr uint32_t kMaxColourEntries = 65536;

// The information header followed directly by room for the largest colour table, as the pixel
// fetch fills it and the file holds it.
struct BitmapHeader {
    BitmapInfoHeader info;
    uint32_t colours[kMaxColourEntries];  // RGBQUAD entries
};
static_assert(sizeof(BitmapHeader) == 40 + 4 * kMaxColourEntries);

constexpr uint32_t kBitmapFileHeaderSize = 14;

// Bits per pixel rounded up to a depth a bitmap file can hold: 1, 4, 8, 16, 24 or 32.
int RoundedColourBits(int bits);

// The header for an image of width x height pixels of planes x bitsPerPixel colour bits: one
// plane of the rounded depth, rows padded to 4 bytes, a zero colour table below 24 bits.
void BuildBitmapInfo(BitmapHeader& header, int32_t width, int32_t height, int planes, int bitsPerPixel);

// Bytes of one pixel row, padded to a multiple of 4.
uint32_t BitmapRowBytes(const BitmapInfoHeader& info);
// Offset of the pixels in the file: file header, information header, colour table.
uint32_t BitmapPixelOffset(const BitmapInfoHeader& info);
uint32_t BitmapFileSize(const BitmapInfoHeader& info);
// The 14-byte file header: "BM", file size, two reserved zeros, the pixels' offset.
void EncodeBitmapFileHeader(const BitmapInfoHeader& info, uint8_t out[kBitmapFileHeaderSize]);

// Which step of writing the file failed.
enum class BitmapWriteStep { kNone, kCreate, kWrite, kClose, kReplace };
struct BitmapWriteResult {
    BitmapWriteStep failed;
    int32_t code;  // the system error code of that step (0 for a short write)
};

// Writes the file header, the information header with its colour table, and biSizeImage bytes of
// pixels. The file is written beside the target first (name + ".tmp", as every file the user chooses) and
// replaces the target only when complete, so a failure leaves an existing file as it was; the partial file is
// removed. Stops at the first failed step.
[[nodiscard]] BitmapWriteResult WriteBitmapFile(const char* path, const BitmapHeader& header,
                                                const uint8_t* pixels);
