#pragma once
// Where and how large the window first shows: the view at the zoom asked for where the
// display has room for it, else as large as fits; and the place and size the window had
// when the program last closed, kept in the settings store under [CurrentUser]
// SOFTWARE\Larkspur Labs\Chordlane\Window (X, Y, Width, Height), put back only where a
// display still shows it. Plain arithmetic, so that it can be checked without a display.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/SettingsStore.h"

namespace chordlane {

inline constexpr char16_t WINDOW_KEY[] = u"SOFTWARE\\Larkspur Labs\\Chordlane\\Window";

struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize&) const = default;
};

// A rectangle of the desktop in device-independent pixels: left, top, width and height.
struct PixelArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelArea&) const = default;
};

struct FirstViewSize {
    PixelSize size;        // the view's first size
    bool zoomKept = true;  // false: the zoom did not fit and the view was made smaller
};

//! The view's first size for a screen of screen logical pixels at zoom (at least 1), where
//! room is what the display leaves for the view once the window's frame and menu bar have
//! theirs: the screen times the zoom wherever that fits room, else the largest size of the
//! screen's shape that does (at least 1 x 1).
FirstViewSize ChooseFirstViewSize(PixelSize room, PixelSize screen, int zoom);

//! The window's place as stored, or nothing when none is (or it has no size).
std::optional<PixelArea> ReadWindowPlace(SettingsStore* store);
void WriteWindowPlace(SettingsStore* store, const PixelArea& place);

//! The stored place to put the window back at, given the displays' available areas: the
//! place as it was when its top edge (where the title bar is grabbed) shows on a display by
//! a fair stretch, made no larger than that display; nothing when no display shows it, as
//! after a display was unplugged or made smaller.
std::optional<PixelArea> PlaceToRestore(const PixelArea& stored,
                                        const std::vector<PixelArea>& displays);

}  // namespace chordlane
