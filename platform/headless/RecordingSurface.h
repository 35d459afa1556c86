#pragma once
#include <functional>
#include <vector>

#include "platform/Surface.h"

namespace chordlane {

// One drawing call as a RecordingSurface saw it.
struct DrawCall {
    enum class Kind { FillRect, Rectangle, Ellipse, Text, CopyBitmap, StretchBitmap };

    Kind kind = Kind::FillRect;
    Rect rect{};                     // FillRect, Rectangle, Ellipse, StretchBitmap
    Colour colour = 0;               // FillRect fill, Text colour
    Pen pen{};                       // Rectangle, Ellipse
    Brush brush{};                   // Rectangle, Ellipse
    Font font{};                     // Text
    Point at{};                      // Text, CopyBitmap
    String text;                     // Text
    bool clipped = false;            // Text: a clip rectangle was given
    Rect clip{};                     // Text, when clipped
    const Bitmap* bitmap = nullptr;  // CopyBitmap, StretchBitmap
};

// A surface that draws nothing and writes every call down, so core tests can check what is
// drawn where, in which order and in which colours. Text extents are a fixed function of
// the font height: every character is half as wide as the cell is high.
class RecordingSurface : public Surface {
  public:
    explicit RecordingSurface(Rect paintRect = {0, 0, 240, 320});

    Rect PaintRect() const override { return paintRect_; }
    Colour NearestColour(Colour c) const override;
    int64_t ColourCount() const override { return colourCount_; }
    void FillRect(const Rect& r, Colour c) override;
    void DrawRectangle(const Rect& r, const Pen& pen, const Brush& brush) override;
    void DrawEllipse(const Rect& r, const Pen& pen, const Brush& brush) override;
    Size TextExtent(const Font& font, const String& text) override;
    void DrawText(const Font& font, Colour colour, Point at, const String& text,
                  const Rect* clip) override;
    void CopyBitmap(const Bitmap& bitmap, Point at) override;
    void StretchBitmap(const Bitmap& bitmap, const Rect& dest) override;

    //! Replaces the identity colour mapping, to see which colours go through it.
    void SetNearestColour(std::function<Colour(Colour)> map) { nearest_ = std::move(map); }
    void SetColourCount(int64_t count) { colourCount_ = count; }
    void SetPaintRect(const Rect& r) { paintRect_ = r; }

    //! The cell height a font stands for (point sizes at 96 dots per inch).
    static int32_t CellHeight(const Font& font);

    const std::vector<DrawCall>& Calls() const { return calls_; }
    void Clear() { calls_.clear(); }

  private:
    Rect paintRect_;
    int64_t colourCount_ = int64_t{1} << 24;
    std::function<Colour(Colour)> nearest_;
    std::vector<DrawCall> calls_;
};

}  // namespace chordlane
