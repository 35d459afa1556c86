#pragma once
#include <QPainter>
#include <QSizeF>
#include <QTransform>
#include <memory>

#include "platform/Surface.h"

class QImage;

namespace chordlane {

//! From a screen of screenWidth x screenHeight logical pixels to an area of size: the largest
//! scale at which the whole screen fits, centred. The window and the benchmarks paint with it.
QTransform ScreenFitTransform(QSizeF size, int screenWidth, int screenHeight);

// The drawing services over a QPainter, on the view widget or on a QImage. Shapes are drawn
// without antialiasing and cover left..right-1, top..bottom-1 with their one-pixel outline on
// that edge, as the instrument's pixel layouts expect; text is antialiased. Everything is in
// logical pixels, so a scale set on the painter (the view's zoom) applies to all of it.
class QtSurface : public Surface {
  public:
    //! Draws with painter; paintRect is the area being painted, in logical pixels.
    QtSurface(QPainter& painter, const Rect& paintRect);
    //! Draws on image with a painter of its own; the whole image is the paint area.
    explicit QtSurface(QImage& image);
    ~QtSurface() override;
    //! Pictures drawn at a scale other than their own are smoothed (the window at any size);
    //! off by default, so that pictures stay pixel-exact at whole zooms.
    void SetSmoothPictures(bool smooth) { smoothPictures_ = smooth; }

    Rect PaintRect() const override;
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

    //! The QFont a Font stands for: "Arial" resolves through fontconfig (Liberation Sans).
    static QFont MakeQFont(const Font& font);

  private:
    QColor ToQColor(Colour c) const;

    std::unique_ptr<QPainter> ownPainter_;
    QPainter& painter_;
    Rect paintRect_;
    bool smoothPictures_ = false;
};

}  // namespace chordlane
