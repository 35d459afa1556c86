#pragma once
// A surface that writes down what is drawn on it, with simple text metrics: every character
// is 8 pixels wide and a line is a tenth of the point size plus 3 pixels high.

#include <string>
#include <vector>

#include "platform/Surface.h"

namespace chordlane::test {

struct DrawCall {
    std::string what;  // "fill", "text", "copy", ...
    Rect rect{};
    Colour colour = 0;
    Point at{};
    String text;
    Font font;
};

class TestBitmap : public Bitmap {
public:
    TestBitmap(int32_t width, int32_t height) : width_(width), height_(height) {}
    int32_t Width() const override { return width_; }
    int32_t Height() const override { return height_; }

private:
    int32_t width_;
    int32_t height_;
};

class TestSurface : public Surface {
public:
    static constexpr int32_t GLYPH_WIDTH = 8;

    explicit TestSurface(Rect paint = {0, 0, 240, 320}) : paint_(paint) {}
    Rect PaintRect() const override { return paint_; }
    // A device that shows 24 bits: the colour reference without its top byte.
    Colour NearestColour(Colour c) const override { return c & 0xFFFFFF; }
    int64_t ColourCount() const override { return colourCount_; }
    void FillRect(const Rect& r, Colour c) override { calls.push_back({"fill", r, c, {}, {}, {}}); }
    void DrawRectangle(const Rect& r, const Pen&, const Brush& brush) override {
        calls.push_back({"rectangle", r, brush.colour, {}, {}, {}});
    }
    void DrawEllipse(const Rect& r, const Pen&, const Brush& brush) override {
        calls.push_back({"ellipse", r, brush.colour, {}, {}, {}});
    }
    Size TextExtent(const Font& font, const String& text) override {
        return Size{static_cast<int32_t>(text.size()) * GLYPH_WIDTH, font.pointTenths / 10 + 3};
    }
    void DrawText(const Font& font, Colour colour, Point at, const String& text,
                  const Rect*) override {
        calls.push_back({"text", {}, colour, at, text, font});
    }
    void CopyBitmap(const Bitmap&, Point at) override { calls.push_back({"copy", {}, 0, at, {}, {}}); }
    void StretchBitmap(const Bitmap&, const Rect& dest) override {
        calls.push_back({"stretch", dest, 0, {}, {}, {}});
    }

    void SetColourCount(int64_t count) { colourCount_ = count; }

    std::vector<DrawCall> calls;

private:
    Rect paint_;
    int64_t colourCount_ = int64_t{1} << 24;
};

}  // namespace chordlane::test
