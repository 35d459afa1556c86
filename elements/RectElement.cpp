#include "elements/RectElement.h"

#include <optional>

#include "elements/Instrument.h"

namespace chordlane {

RectElement::RectElement(Instrument& owner, String name, std::unique_ptr<Rect> bounds)
    : VisualElement(owner, std::move(name)) {
    bounds_ = std::move(bounds);
}

bool RectElement::Draw(Surface& surface) {
    if (!bounds_ || !IsVisibleIn(surface.PaintRect())) return false;
    std::optional<ShapeObjects>& shared = Owner().screen.shapeObjects;
    if (!shared) {
        shared = ShapeObjects{Brush{surface.NearestColour(pressedFillColour_)},
                              Brush{surface.NearestColour(fillColour_)},
                              Pen{surface.NearestColour(pressedLineColour_)},
                              Pen{surface.NearestColour(lineColour_)}};
    }
    // Show Active plays no part here: a shape is pressed only through a button's link.
    if (pressed_) {
        DrawShape(surface, shared->pressedPen, shared->pressedBrush);
    } else {
        DrawShape(surface, shared->pen, shared->brush);
    }
    return true;
}

void RectElement::DrawShape(Surface& surface, const Pen& pen, const Brush& brush) {
    surface.DrawRectangle(*bounds_, pen, brush);
}

}  // namespace chordlane
