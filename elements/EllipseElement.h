#pragma once
#include "elements/RectElement.h"

namespace chordlane {

// A filled, outlined ellipse inscribed in its bounds, drawn with the shapes' shared set.
// Its hit test stays the rectangle's: shapes do not react to the stylus.
class EllipseElement : public RectElement {
  public:
    using RectElement::RectElement;

    const char* ClassName() const override { return "EllipseElement"; }

  protected:
    void DrawShape(Surface& surface, const Pen& pen, const Brush& brush) override;
};

}  // namespace chordlane
