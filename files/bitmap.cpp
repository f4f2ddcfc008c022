#include "files/bitmap.h"

#include <cstring>

#include "files/file_io.h"

int RoundedColourBits(int bits) {
    if (bits <= 1) return 1;
    if (bits <= 4) return 4;
    if (bits <= 8) return 8;
    if (bits <= 16) return 16;
    if (bits <= 24) return 24;
    return 32;
}

void BuildBitmapInfo(BitmapHeader& header, int32_t width, int32_t height, int planes, int bitsPerPixel) {
    const int c = RoundedColourBits(planes * bitsPerPixel);
    BitmapInfoHeader& info = header.info;
    info = BitmapInfoHeader{};
    info.biSize = sizeof(BitmapInfoHeader);
    info.biWidth = width;
    info.biHeight = height;
    // The file holds one plane of the rounded depth, whatever the display's own organisation.
    info.biPlanes = 1;
    info.biBitCount = static_cast<uint16_t>(c);
    info.biCompression = 0;
    info.biSizeImage = BitmapRowBytes(info) * static_cast<uint32_t>(height < 0 ? -height : height);
    info.biClrUsed = c < 24 ? (1u << c) : 0;
    std::memset(header.colours, 0, sizeof(uint32_t) * info.biClrUsed);
}

uint32_t BitmapRowBytes(const BitmapInfoHeader& info) {
    const uint64_t bits =
        static_cast<uint64_t>(info.biBitCount) * static_cast<uint32_t>(info.biWidth < 0 ? 0 : info.biWidth);
    return static_cast<uint32_t>(((bits + 31) & ~uint64_t{31}) / 8);
}

uint32_t BitmapPixelOffset(const BitmapInfoHeader& info) {
    return kBitmapFileHeaderSize + sizeof(BitmapInfoHeader) + 4 * info.biClrUsed;
}

uint32_t BitmapFileSize(const BitmapInfoHeader& info) { return BitmapPixelOffset(info) + info.biSizeImage; }

namespace {
void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, static_cast<uint16_t>(v));
    Put16(p + 2, static_cast<uint16_t>(v >> 16));
}
}  // namespace

void EncodeBitmapFileHeader(const BitmapInfoHeader& info, uint8_t out[kBitmapFileHeaderSize]) {
    Put16(out, 0x4D42);  // "BM"
    Put32(out + 2, BitmapFileSize(info));
    Put16(out + 6, 0);
    Put16(out + 8, 0);
    Put32(out + 10, BitmapPixelOffset(info));
}

BitmapWriteResult WriteBitmapFile(const char* path, const BitmapHeader& header, const uint8_t* pixels) {
    const BitmapInfoHeader& info = header.info;
    uint8_t fileHeader[kBitmapFileHeaderSize];
    EncodeBitmapFileHeader(info, fileHeader);
    const struct {
        const void* data;
        uint32_t size;
    } pieces[] = {
        {fileHeader, kBitmapFileHeaderSize},
        {&header, static_cast<uint32_t>(sizeof(BitmapInfoHeader) + 4 * info.biClrUsed)},
        {pixels, info.biSizeImage},
    };

    // Written beside the old file and put in its place only when complete.
    ReplacingFile f;
    if (const int32_t r = f.Open(path)) return {BitmapWriteStep::kCreate, r};
    for (const auto& piece : pieces)
        if (const int32_t r = WriteRecord(f.file(), piece.data, piece.size))
            return {BitmapWriteStep::kWrite, r};
    bool replacing = false;
    if (const int32_t r = f.Commit(&replacing))
        return {replacing ? BitmapWriteStep::kReplace : BitmapWriteStep::kClose, r};
    return {BitmapWriteStep::kNone, 0};
}
