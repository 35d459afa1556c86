#pragma once
#include <memory>

#include "elements/Element.h"

namespace chordlane {

// A filled, outlined rectangle: necks, frets, strings. All shapes of an instrument draw with
// one set of brushes and pens, taken from the first shape drawn after loading.
class RectElement : public VisualElement {
  public:
    RectElement(Instrument& owner, String name, std::unique_ptr<Rect> bounds);

    const char* ClassName() const override { return "RectElement"; }
    //! Draws with the shared set: its pressed brush and pen while this shape is pressed.
    bool Draw(Surface& surface) override;

  protected:
    //! Draws the shape over the bounds with pen and brush.
    virtual void DrawShape(Surface& surface, const Pen& pen, const Brush& brush);
};

}  // namespace chordlane
