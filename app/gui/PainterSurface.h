#pragma once
#include <QPainter>

#include "platform/Surface.h"

namespace chordlane {

// The view's drawing on a QPainter whose coordinates are the view's (the painter carries the
// zoom). Fonts are sized for a 96-dot-per-inch screen, as on the device.
class PainterSurface : public Surface {
public:
    PainterSurface(QPainter& painter, const Rect& paintRect);

    Rect PaintRect() const override { return paintRect_; }
    Colour NearestColour(Colour c) const override;
    int64_t ColourCount() const override;
    void FillRect(const Rect& r, Colour c) override;
    void DrawRectangle(const Rect& r, const Pen& pen, const Brush& brush) override;
    void DrawEllipse(const Rect& r, const Pen& pen, const Brush& brush) override;
    Size TextExtent(const Font& font, const String& text) override;
    void DrawText(const Font& font, Colour colour, Point at, const String& text,
                  const Rect* clip) override;
    void CopyBitmap(const Bitmap& bitmap, Point at) override;
    void StretchBitmap(const Bitmap& bitmap, const Rect& dest) override;

private:
    QPainter& painter_;
    Rect paintRect_;
};

}  // namespace chordlane
