#pragma once
#include <cstdint>
#include <memory>

#include "platform/Types.h"

namespace chordlane {

// A picture held by image elements and the start-up screen. Shared by std::shared_ptr, so a
// bitmap shared between image elements is released once, when its last holder goes.
class Bitmap {
  public:
    virtual ~Bitmap() = default;
    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
};

// Drawing objects are plain values: created from colours at a moment, they keep those colours.
struct Pen {
    Colour colour = 0;  // solid, one pixel wide
};

struct Brush {
    Colour colour = 0;  // solid
};

struct Font {
    int32_t height = 0;       // pixel height of the character cell; used when pointTenths is 0
    int32_t pointTenths = 0;  // point size in tenths, for the screen's resolution
    int32_t escapement = 0;   // direction in tenths of a degree, counter-clockwise
    int32_t weight = 400;
    bool antialiased = true;
    String face = u"Arial";
};

// The device context being painted. Rectangles fill from left,top up to but not including
// right,bottom, as the platform's filled-shape calls do.
class Surface {
  public:
    virtual ~Surface() = default;
    //! The area being painted; drawing outside it may be skipped.
    virtual Rect PaintRect() const = 0;
    //! The colour the device shows for c.
    virtual Colour NearestColour(Colour c) const = 0;
    //! Number of colours the device shows at once (palette devices: the usable entries).
    virtual int64_t ColourCount() const = 0;
    //! Fills r with a solid colour, no outline.
    virtual void FillRect(const Rect& r, Colour c) = 0;
    //! Rectangle filled with brush and outlined with pen.
    virtual void DrawRectangle(const Rect& r, const Pen& pen, const Brush& brush) = 0;
    //! Ellipse inscribed in r, filled with brush and outlined with pen.
    virtual void DrawEllipse(const Rect& r, const Pen& pen, const Brush& brush) = 0;
    //! Width and height of text drawn with font.
    virtual Size TextExtent(const Font& font, const String& text) = 0;
    //! Draws text with its reference point (top-left of the unrotated cell) at 'at', on a
    //! transparent background; with clip, nothing outside clip is drawn.
    virtual void DrawText(const Font& font, Colour colour, Point at, const String& text,
                          const Rect* clip) = 0;
    //! Copies the bitmap unscaled with its top-left corner at 'at'.
    virtual void CopyBitmap(const Bitmap& bitmap, Point at) = 0;
    //! Stretches the whole bitmap into dest.
    virtual void StretchBitmap(const Bitmap& bitmap, const Rect& dest) = 0;
};

// Loads bitmap files (device-independent bitmaps; PNG accepted) and the program's own
// start-up bitmap.
class PictureLoader {
  public:
    virtual ~PictureLoader() = default;
    //! The picture in the file at path, or null when it cannot be loaded.
    virtual std::shared_ptr<Bitmap> LoadFile(const String& path) = 0;
    //! The start-up bitmap, or null.
    virtual std::shared_ptr<Bitmap> LoadStartupBitmap() = 0;
};

}  // namespace chordlane
