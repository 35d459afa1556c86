#include "elements/RectButtonElement.h"

#include "elements/Instrument.h"

namespace chordlane {

RectButtonElement::RectButtonElement(Instrument& owner, String name)
    : HiddenButtonElement(owner, std::move(name)) {
    RectButtonElement::Reset();
}

void RectButtonElement::Reset() {
    HiddenButtonElement::Reset();
    drawing_.reset();
}

void RectButtonElement::OnSoundDone() { SetPressed(false); }

bool RectButtonElement::StrokeCrosses(Point, Point) { return true; }

int32_t RectButtonElement::OnStroke(Point from, Point to, int32_t value, bool parentPenInside,
                                    int32_t point) {
    if (!active_) return 0;
    // The outcode test rejects segments that pass wholly beside the bounds, whatever the
    // shape's own crossing test would say.
    if (!VisualElement::StrokeCrosses(from, to)) {
        SetPenInside(point, false);
        return 0;
    }
    const bool inside = HitTest(to);
    const bool stay = parentPenInside && IsPenInside(point);
    if (!inside && !stay && !StrokeCrosses(from, to)) {
        SetPenInside(point, false);
        return 0;
    }
    SetPenInside(point, inside);
    if (stay) return 0;
    SetPressed(true);
    Trigger(value, this);
    return 1;
}

bool RectButtonElement::Draw(Surface& surface) {
    if (!bounds_ || !IsVisibleIn(surface.PaintRect())) return false;
    if (!drawing_) {
        drawing_ = DrawingObjects{Brush{pressedFillColour_}, Brush{fillColour_},
                                  Pen{pressedLineColour_}, Pen{lineColour_}};
    }
    if (Owner().options.showActive && pressed_) {
        DrawShape(surface, drawing_->pressedPen, drawing_->pressedBrush);
    } else {
        DrawShape(surface, drawing_->pen, drawing_->brush);
    }
    return true;
}

void RectButtonElement::SetBounds(std::unique_ptr<Rect> bounds) {
    HiddenButtonElement::SetBounds(std::move(bounds));
    if (!bounds_) return;
    // Summed in 64 bits: left + right overflows 32 bits for far-off bounds; the halves fit.
    centreX_ = static_cast<int32_t>((int64_t{bounds_->left} + bounds_->right) / 2);
    centreY_ = static_cast<int32_t>((int64_t{bounds_->top} + bounds_->bottom) / 2);
}

void RectButtonElement::DrawShape(Surface& surface, const Pen& pen, const Brush& brush) {
    surface.DrawRectangle(*bounds_, pen, brush);
}

}  // namespace chordlane
