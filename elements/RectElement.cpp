#include "elements/RectElement.h"

#include <optional>

namespace chordlane {

namespace {

struct SharedShapeObjects {
    Brush pressedBrush;
    Brush brush;
    Pen pressedPen;
    Pen pen;
};

std::optional<SharedShapeObjects>& Shared() {
    static std::optional<SharedShapeObjects> shared;
    return shared;
}

}  // namespace

RectElement::RectElement(String name, std::unique_ptr<Rect> bounds)
    : VisualElement(std::move(name)) {
    bounds_ = std::move(bounds);
}

bool RectElement::Draw(Surface& surface) {
    if (!bounds_ || !IsVisibleIn(surface.PaintRect())) return false;
    std::optional<SharedShapeObjects>& shared = Shared();
    if (!shared) {
        shared = SharedShapeObjects{Brush{surface.NearestColour(pressedFillColour_)},
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

void ReleaseSharedShapeObjects() { Shared().reset(); }

}  // namespace chordlane
