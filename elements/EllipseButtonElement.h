#pragma once
#include "elements/RectButtonElement.h"

namespace chordlane {

// A button whose area is the ellipse inscribed in its bounds: the corners of the bounds are
// not part of it, and a stroke crosses it only where it meets the ellipse.
class EllipseButtonElement : public RectButtonElement {
  public:
    explicit EllipseButtonElement(Instrument& owner, String name);

    const char* ClassName() const override { return "EllipseButtonElement"; }
    //! Inside the bounds and inside the ellipse, in thousandths of the radii squared.
    bool HitTest(Point p) override;
    //! Whether the segment meets the ellipse, mapped onto the circle of radius 100.
    bool StrokeCrosses(Point from, Point to) override;
    //! Replaces the bounds, their centre and the radii.
    void SetBounds(std::unique_ptr<Rect> bounds) override;

    int32_t RadiusX() const { return radiusX_; }
    int32_t RadiusY() const { return radiusY_; }

  protected:
    void DrawShape(Surface& surface, const Pen& pen, const Brush& brush) override;

  private:
    int32_t radiusX_ = 1;
    int32_t radiusY_ = 1;
};

}  // namespace chordlane
