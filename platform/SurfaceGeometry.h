#pragma once
// What every surface that draws for real does alike with the core's rectangles and fonts:
// the desktop's QPainter and the web page's canvas.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "platform/Surface.h"

namespace chordlane {

// Coordinates beyond this lie far off any screen, even zoomed; clamping them keeps a drawing
// library's arithmetic from overflowing without changing what is visible.
inline constexpr int64_t FAR_OFF = int64_t{1} << 24;

// Font sizes beyond this only cost time and glyph memory; no screen shows them whole.
inline constexpr int MAX_FONT_PIXELS = 4096;

// The cell height a font of height 0 gets, as the platform picks a default size for it.
inline constexpr int DEFAULT_CELL_HEIGHT = 12;

inline double ClampFarOff(int64_t v) {
    return static_cast<double>(std::clamp(v, -FAR_OFF, FAR_OFF));
}

// A rectangle with left <= right and top <= bottom, in 64 bits so that its width cannot
// overflow.
struct Span {
    int64_t left, top, right, bottom;
    int64_t Width() const { return right - left; }
    int64_t Height() const { return bottom - top; }
};

inline Span Normalized(const Rect& r) {
    return {std::min<int64_t>(r.left, r.right), std::min<int64_t>(r.top, r.bottom),
            std::max<int64_t>(r.left, r.right), std::max<int64_t>(r.top, r.bottom)};
}

//! The pixel size of the font's em, which drawing libraries size fonts by. cellAt(em) answers
//! the character cell (ascent plus descent) the face has at that em; it is asked only for a
//! font given by a positive cell height, whose em is found by proportion.
template <typename CellAt>
int FontEmPixels(const Font& font, CellAt cellAt) {
    int em = 0;
    if (font.pointTenths > 0) {
        // Points for the screen at 96 dots per inch.
        em = static_cast<int>(std::lround(font.pointTenths * 96.0 / 720.0));
    } else if (font.height < 0) {
        // A negative height is the character height without the cell's leading.
        em = font.height == INT32_MIN ? MAX_FONT_PIXELS : -font.height;
    } else {
        const int cell =
            font.height > 0 ? std::min(font.height, MAX_FONT_PIXELS) : DEFAULT_CELL_HEIGHT;
        const double probeCell = cellAt(cell);
        em = probeCell > 0 ? static_cast<int>(std::lround(cell * cell / probeCell)) : cell;
    }
    return std::clamp(em, 1, MAX_FONT_PIXELS);
}

}  // namespace chordlane
