#pragma once
// Plain value types shared by the core and the platform layer.

#include <cstdint>
#include <string>

namespace chordlane {

// No value for integers read from instrument files and for properties; release as the value
// of a trigger; an absolute setting rather than a step in stepping actions.
inline constexpr int32_t NO_VALUE = INT32_MIN;

// What a missing real number reads as.
inline constexpr float NO_REAL = 2147483648.0f;

// Text is 16-bit characters throughout.
using String = std::u16string;

// The colour reference 0x00BBGGRR.
using Colour = uint32_t;

inline constexpr Colour MakeColour(uint32_t red, uint32_t green, uint32_t blue) {
    return (red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16);
}

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int32_t cx = 0;
    int32_t cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Screen pixels; right and bottom are one past the last pixel for filling, but hit tests
// count all four edges as inside.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool IsEmpty() const { return right <= left || bottom <= top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace chordlane
