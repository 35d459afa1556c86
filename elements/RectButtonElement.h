#pragma once
#include <optional>

#include "elements/HiddenButtonElement.h"

namespace chordlane {

// A rectangular area the stylus plays: a stroke that enters it, or jumps across it between
// two points, strikes it once; it stays pressed until the sound it started ends.
class RectButtonElement : public HiddenButtonElement {
  public:
    explicit RectButtonElement(Instrument& owner, String name);

    const char* ClassName() const override { return "RectButtonElement"; }
    void Reset() override;
    //! The sound this button started has ended: the button is released.
    void OnSoundDone() override;
    //! Any segment the outcode test lets through may cross a rectangle.
    bool StrokeCrosses(Point from, Point to) override;
    //! Strikes the button on entry or crossing; no second strike while the pen stays in.
    int32_t OnStroke(Point from, Point to, int32_t value, bool parentPenInside,
                     int32_t point) override;
    //! Draws in the colours of the first draw, pressed ones while pressed and Show Active on.
    bool Draw(Surface& surface) override;
    //! Replaces the bounds and their centre.
    void SetBounds(std::unique_ptr<Rect> bounds) override;

    int32_t CentreX() const { return centreX_; }
    int32_t CentreY() const { return centreY_; }

  protected:
    //! Draws the area with pen and brush.
    virtual void DrawShape(Surface& surface, const Pen& pen, const Brush& brush);

    int32_t centreX_ = 0;
    int32_t centreY_ = 0;

  private:
    // Taken from the colours at the first Draw; later colour changes do not reach them.
    struct DrawingObjects {
        Brush pressedBrush;
        Brush brush;
        Pen pressedPen;
        Pen pen;
    };
    std::optional<DrawingObjects> drawing_;
};

}  // namespace chordlane
