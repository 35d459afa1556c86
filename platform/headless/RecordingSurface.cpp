#include "platform/headless/RecordingSurface.h"

#include <cstdlib>

namespace chordlane {

RecordingSurface::RecordingSurface(Rect paintRect) : paintRect_(paintRect) {}

Colour RecordingSurface::NearestColour(Colour c) const { return nearest_ ? nearest_(c) : c; }

void RecordingSurface::FillRect(const Rect& r, Colour c) {
    DrawCall call;
    call.kind = DrawCall::Kind::FillRect;
    call.rect = r;
    call.colour = c;
    calls_.push_back(std::move(call));
}

void RecordingSurface::DrawRectangle(const Rect& r, const Pen& pen, const Brush& brush) {
    DrawCall call;
    call.kind = DrawCall::Kind::Rectangle;
    call.rect = r;
    call.pen = pen;
    call.brush = brush;
    calls_.push_back(std::move(call));
}

void RecordingSurface::DrawEllipse(const Rect& r, const Pen& pen, const Brush& brush) {
    DrawCall call;
    call.kind = DrawCall::Kind::Ellipse;
    call.rect = r;
    call.pen = pen;
    call.brush = brush;
    calls_.push_back(std::move(call));
}

int32_t RecordingSurface::CellHeight(const Font& font) {
    if (font.pointTenths > 0) return static_cast<int32_t>(int64_t{font.pointTenths} * 96 / 720);
    if (font.height == 0) return 12;
    return font.height == INT32_MIN ? INT32_MAX : std::abs(font.height);
}

Size RecordingSurface::TextExtent(const Font& font, const String& text) {
    const int64_t cell = CellHeight(font);
    const int64_t width = static_cast<int64_t>(text.size()) * (cell / 2);
    return {static_cast<int32_t>(width > INT32_MAX ? INT32_MAX : width),
            static_cast<int32_t>(cell)};
}

void RecordingSurface::DrawText(const Font& font, Colour colour, Point at, const String& text,
                                const Rect* clip) {
    DrawCall call;
    call.kind = DrawCall::Kind::Text;
    call.font = font;
    call.colour = colour;
    call.at = at;
    call.text = text;
    call.clipped = clip != nullptr;
    if (clip) call.clip = *clip;
    calls_.push_back(std::move(call));
}

void RecordingSurface::CopyBitmap(const Bitmap& bitmap, Point at) {
    DrawCall call;
    call.kind = DrawCall::Kind::CopyBitmap;
    call.at = at;
    call.bitmap = &bitmap;
    calls_.push_back(std::move(call));
}

void RecordingSurface::StretchBitmap(const Bitmap& bitmap, const Rect& dest) {
    DrawCall call;
    call.kind = DrawCall::Kind::StretchBitmap;
    call.rect = dest;
    call.bitmap = &bitmap;
    calls_.push_back(std::move(call));
}

}  // namespace chordlane
