#include "view/ScreenPalette.h"

namespace chordlane {

namespace {

constexpr PaletteTable MakeTable() {
    PaletteTable table{};
    for (uint32_t i = 0; i < 256; ++i) {
        // Rounded so that the top level of each channel is exactly 255.
        PaletteEntry& e = table[i];
        e.red = static_cast<uint8_t>(((i & 7) * 255 + 2) / 7);
        e.green = static_cast<uint8_t>((((i >> 3) & 7) * 255 + 2) / 7);
        e.blue = static_cast<uint8_t>(((i >> 6) * 255 + 2) / 3);
        e.flags = 0;
    }
    return table;
}

constexpr PaletteTable TABLE = MakeTable();

}  // namespace

const PaletteTable& ScreenPaletteTable() { return TABLE; }

bool PrepareScreenPalette(Surface& surface) {
    // A palette display has at most 256 usable entries; a true-colour device shows far more
    // colours at once and has no palette to realise, so nothing is selected there.
    const int64_t colours = surface.ColourCount();
    return colours == static_cast<int64_t>(std::tuple_size_v<PaletteTable>);
}

}  // namespace chordlane
