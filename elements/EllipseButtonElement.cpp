#include "elements/EllipseButtonElement.h"

#include <cstdlib>

namespace chordlane {

namespace {

// The arithmetic is the integer arithmetic of the small screens the instrument was made for,
// where every product fits in 32 bits. Bounds may lie anywhere in the 32-bit range here, so
// differences are taken in 64 bits and the squared terms in 128 bits; for on-screen values
// the results are the same.
using Wide = __int128;

constexpr int64_t CIRCLE = 100;

int32_t Radius(int32_t low, int32_t high) {
    const int64_t r = std::llabs((int64_t{high} - low) / 2);
    return r == 0 ? 1 : static_cast<int32_t>(r);
}

// (d * d * 1000) / (r * r), each quotient an integer division.
int64_t Thousandths(int64_t d, int32_t r) {
    return static_cast<int64_t>(Wide{d} * d * 1000 / (Wide{r} * r));
}

// Whether the segment p..q has a point at distance CIRCLE or less from the origin. The
// mapped coordinates stay below 2^39 in magnitude (a 32-bit difference times 100), which
// bounds every product below.
bool SegmentMeetsCircle(int64_t px, int64_t py, int64_t qx, int64_t qy) {
    const Wide r2 = Wide{CIRCLE} * CIRCLE;
    if (Wide{px} * px + Wide{py} * py <= r2) return true;
    if (Wide{qx} * qx + Wide{qy} * qy <= r2) return true;
    const Wide dx = qx - px;
    const Wide dy = qy - py;
    const Wide dd = dx * dx + dy * dy;  // below 2^81
    const Wide along = -(px * dx + py * dy);
    // The point of the line nearest the origin lies beyond an end: the nearest point of the
    // segment is that end, and both ends are outside.
    if (along <= 0 || along >= dd) return false;
    // Distance of the line from the origin is |cross| / sqrt(dd). sqrt(dd) is below 2^41,
    // so a cross product beyond CIRCLE * 2^41 is too far; below that its square fits.
    Wide cross = Wide{px} * dy - Wide{py} * dx;
    if (cross < 0) cross = -cross;
    if (cross > Wide{CIRCLE} << 41) return false;
    return cross * cross <= r2 * dd;
}

}  // namespace

EllipseButtonElement::EllipseButtonElement(Instrument& owner, String name)
    : RectButtonElement(owner, std::move(name)) {}

bool EllipseButtonElement::HitTest(Point p) {
    if (!VisualElement::HitTest(p)) return false;
    const int64_t dx = int64_t{p.x} - centreX_;
    const int64_t dy = int64_t{p.y} - centreY_;
    return Thousandths(dx, radiusX_) + Thousandths(dy, radiusY_) <= 1000;
}

bool EllipseButtonElement::StrokeCrosses(Point from, Point to) {
    const int64_t fx = (int64_t{from.x} - centreX_) * CIRCLE / radiusX_;
    const int64_t fy = (int64_t{from.y} - centreY_) * CIRCLE / radiusY_;
    const int64_t tx = (int64_t{to.x} - centreX_) * CIRCLE / radiusX_;
    const int64_t ty = (int64_t{to.y} - centreY_) * CIRCLE / radiusY_;
    if (fx == tx && fy == ty) return HitTest(to);
    return SegmentMeetsCircle(fx, fy, tx, ty);
}

void EllipseButtonElement::SetBounds(std::unique_ptr<Rect> bounds) {
    RectButtonElement::SetBounds(std::move(bounds));
    if (!bounds_) return;
    radiusX_ = Radius(bounds_->left, bounds_->right);
    radiusY_ = Radius(bounds_->top, bounds_->bottom);
}

void EllipseButtonElement::DrawShape(Surface& surface, const Pen& pen, const Brush& brush) {
    surface.DrawEllipse(*bounds_, pen, brush);
}

}  // namespace chordlane
