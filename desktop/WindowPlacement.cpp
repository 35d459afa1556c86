#include "desktop/WindowPlacement.h"

#include <algorithm>
#include <cstdint>

namespace chordlane {

namespace {

constexpr char16_t X_VALUE[] = u"X";
constexpr char16_t Y_VALUE[] = u"Y";
constexpr char16_t WIDTH_VALUE[] = u"Width";
constexpr char16_t HEIGHT_VALUE[] = u"Height";
// A hand-edited file may hold anything; a window larger than this is no window anyone had.
constexpr uint32_t MAX_STORED_SIDE = 16384;
// How much of the window's top edge a display must show for the window to be grabbed there.
constexpr int64_t MIN_SHOWN_WIDTH = 64;
constexpr int64_t TITLE_STRIP = 24;

}  // namespace

FirstViewSize ChooseFirstViewSize(PixelSize room, PixelSize screen, int zoom) {
    // In 64 bits: the sides come from a command line and a display, the product need not fit.
    const int64_t scale = std::max(zoom, 1);
    const int64_t width = std::max(screen.width, 1) * scale;
    const int64_t height = std::max(screen.height, 1) * scale;
    const int64_t roomWidth = std::max(room.width, 1);
    const int64_t roomHeight = std::max(room.height, 1);
    if (width <= roomWidth && height <= roomHeight)
        return {{static_cast<int>(width), static_cast<int>(height)}, true};
    // The screen's shape kept: the side that is shorter of room decides.
    FirstViewSize fitted;
    fitted.zoomKept = false;
    if (width * roomHeight <= height * roomWidth) {
        fitted.size.height = static_cast<int>(roomHeight);
        fitted.size.width = static_cast<int>(std::max<int64_t>(width * roomHeight / height, 1));
    } else {
        fitted.size.width = static_cast<int>(roomWidth);
        fitted.size.height = static_cast<int>(std::max<int64_t>(height * roomWidth / width, 1));
    }
    return fitted;
}

std::optional<PixelArea> ReadWindowPlace(SettingsStore* store) {
    std::unique_ptr<SettingsKey> key =
        store ? store->CreateKey(SettingsRoot::CurrentUser, WINDOW_KEY) : nullptr;
    if (!key) return std::nullopt;
    const std::optional<uint32_t> x = key->ReadNumber(X_VALUE);
    const std::optional<uint32_t> y = key->ReadNumber(Y_VALUE);
    const std::optional<uint32_t> width = key->ReadNumber(WIDTH_VALUE);
    const std::optional<uint32_t> height = key->ReadNumber(HEIGHT_VALUE);
    if (!x || !y || !width || !height) return std::nullopt;
    if (*width == 0 || *height == 0 || *width > MAX_STORED_SIDE || *height > MAX_STORED_SIDE)
        return std::nullopt;
    // Places left of or above the first display are negative, stored as their 32 bits.
    return PixelArea{static_cast<int32_t>(*x), static_cast<int32_t>(*y), static_cast<int>(*width),
                     static_cast<int>(*height)};
}

void WriteWindowPlace(SettingsStore* store, const PixelArea& place) {
    std::unique_ptr<SettingsKey> key =
        store ? store->CreateKey(SettingsRoot::CurrentUser, WINDOW_KEY) : nullptr;
    if (!key) return;
    key->WriteNumber(X_VALUE, static_cast<uint32_t>(place.x));
    key->WriteNumber(Y_VALUE, static_cast<uint32_t>(place.y));
    key->WriteNumber(WIDTH_VALUE, static_cast<uint32_t>(place.width));
    key->WriteNumber(HEIGHT_VALUE, static_cast<uint32_t>(place.height));
}

std::optional<PixelArea> PlaceToRestore(const PixelArea& stored,
                                        const std::vector<PixelArea>& displays) {
    if (stored.width <= 0 || stored.height <= 0) return std::nullopt;
    const int64_t left = stored.x;
    const int64_t right = left + stored.width;
    const int64_t top = stored.y;
    for (const PixelArea& display : displays) {
        const int64_t dLeft = display.x;
        const int64_t dRight = dLeft + display.width;
        const int64_t dTop = display.y;
        const int64_t dBottom = dTop + display.height;
        const int64_t shown = std::min(right, dRight) - std::max(left, dLeft);
        const bool topShown = top >= dTop && top + TITLE_STRIP <= dBottom;
        if (!topShown || shown < std::min<int64_t>(MIN_SHOWN_WIDTH, stored.width)) continue;
        PixelArea place = stored;
        place.width = std::min(place.width, display.width);
        place.height = std::min(place.height, display.height);
        return place;
    }
    return std::nullopt;
}

}  // namespace chordlane
