#pragma once
// The 3-3-2 colour palette realised on palette displays, so that instruments look the same on
// a 256-colour screen as on a true-colour one.

#include <array>
#include <cstdint>

#include "platform/Surface.h"

namespace chordlane {

struct PaletteEntry {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t flags = 0;
};

using PaletteTable = std::array<PaletteEntry, 256>;

//! The table: 3 bits of red, 3 of green, 2 of blue.
const PaletteTable& ScreenPaletteTable();
//! Answers whether the surface is a palette display with room for all
//! 256 entries, the only case in which the palette is realised on it.
bool PrepareScreenPalette(Surface& surface);

}  // namespace chordlane
