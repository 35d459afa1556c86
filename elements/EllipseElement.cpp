#include "elements/EllipseElement.h"

namespace chordlane {

void EllipseElement::DrawShape(Surface& surface, const Pen& pen, const Brush& brush) {
    surface.DrawEllipse(*bounds_, pen, brush);
}

}  // namespace chordlane
