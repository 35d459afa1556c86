#pragma once
#include <memory>

#include "platform/Surface.h"

namespace chordlane::web {

// A picture the browser decoded, known to the page by its number.
class CanvasBitmap : public Bitmap {
  public:
    CanvasBitmap(int32_t id, int32_t width, int32_t height);
    //! The page lets go of the picture with its last holder.
    ~CanvasBitmap() override;
    int32_t Width() const override { return width_; }
    int32_t Height() const override { return height_; }
    int32_t Id() const { return id_; }

  private:
    int32_t id_;
    int32_t width_;
    int32_t height_;
};

// Paints on one of the page's 2D canvases, whose transform maps the instrument's own pixels
// to the canvas's. Canvas 0 is the one on the page, canvas 1 the offscreen one pictures of the
// screen are taken from. Calls run on the page's main thread, where the canvases live.
class CanvasSurface : public Surface {
  public:
    //! Begins a paint of r on canvas: clipped to it and erased.
    CanvasSurface(int32_t canvas, const Rect& r);
    //! Ends the paint: the clip is taken off again.
    ~CanvasSurface() override;
    CanvasSurface(const CanvasSurface&) = delete;
    CanvasSurface& operator=(const CanvasSurface&) = delete;

    Rect PaintRect() const override { return paintRect_; }
    Colour NearestColour(Colour c) const override;
    int64_t ColourCount() const override { return int64_t{1} << 24; }
    void FillRect(const Rect& r, Colour c) override;
    void DrawRectangle(const Rect& r, const Pen& pen, const Brush& brush) override;
    void DrawEllipse(const Rect& r, const Pen& pen, const Brush& brush) override;
    Size TextExtent(const Font& font, const String& text) override;
    void DrawText(const Font& font, Colour colour, Point at, const String& text,
                  const Rect* clip) override;
    void CopyBitmap(const Bitmap& bitmap, Point at) override;
    void StretchBitmap(const Bitmap& bitmap, const Rect& dest) override;

  private:
    int32_t canvas_;
    Rect paintRect_;
};

}  // namespace chordlane::web
