// The fixed drawing set of every view: nine palette colours (each a one-pixel pen and a solid
// brush), the window background, the drawing target and the three fonts.
#pragma once

#include <cstdint>

#include "view/canvas.h"

enum PaletteIndex : int {
    kPaletteBlue = 0,       // running points above Po, statistics bars, power bar
    kPaletteYellow = 1,     // Po measurement points, even 8-pixel statistics bars
    kPaletteRed = 2,        // Break limit; lamps that are on
    kPaletteMagenta = 3,    // Blunt limit
    kPaletteDarkGreen = 4,  // Missing limit
    kPaletteBlack = 5,      // axes, ticks, box edges, lamp outlines, panel line
    kPaletteWhite = 6,      // lower and right box edges, empty part of the power bar
    kPaletteGrey = 7,       // cut-announced points, running points below Po
    kPaletteGreen = 8,      // lamps that are off
};
constexpr int kPaletteSize = 9;

constexpr Colour kPaletteColours[kPaletteSize] = {
    Rgb(0, 0, 255), Rgb(255, 255, 0),   Rgb(255, 0, 0),     Rgb(255, 0, 255), Rgb(0, 204, 0),
    Rgb(0, 0, 0),   Rgb(255, 255, 255), Rgb(153, 153, 153), Rgb(0, 255, 0),
};

// Background of the main and legend windows, and of every text on the screen.
constexpr Colour kWindowBackground = Rgb(229, 229, 229);

// Where a view draws: the printed pages draw the same picture without lamps, lamp labels and box
// edges, and with white text backgrounds.
enum class Target : int { kScreen, kPrinter };

constexpr Colour TextBackground(Target target) {
    return target == Target::kScreen ? kWindowBackground : Rgb(255, 255, 255);
}

// What the platform needs to create a font. Pitch and family: fixed pitch (1) of the modern
// family (0x30).
constexpr uint8_t kFixedPitchModern = 0x31;
constexpr const char* kFontFace = "CourierNew";

struct FontDescription {
    int height;
    int weight;
    uint8_t pitchAndFamily;
    const char* face;
};

// Caption 20/400, number 25/700, table font of the layout's table-font height /400.
// kSurface has no description (height 0).
FontDescription DescribeFont(CanvasFont font, const Layout& layout);
