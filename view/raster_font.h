// A small fixed-pitch bitmap font for the raster canvas: 8x14 pixel cells.
#pragma once

#include <cstdint>

constexpr int kRasterGlyphWidth = 8;
constexpr int kRasterGlyphHeight = 14;

// The 14 rows of a character of code page 1252 (bit 7 of a row is its leftmost pixel); control
// characters and the 0x7F..0x9F range show as '?'.
const uint8_t* RasterGlyph(unsigned char code);
