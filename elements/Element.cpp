#include "elements/Element.h"

#include "elements/Instrument.h"
#include "elements/NameRegistry.h"

namespace chordlane {

namespace {

int Outcode(Point p, const Rect& r) {
    int code = 0;
    if (p.x < r.left) code |= 1;
    if (p.x > r.right) code |= 2;
    if (p.y < r.top) code |= 4;
    if (p.y > r.bottom) code |= 8;
    return code;
}

bool IsColourName(const String& property) { return property.size() == 2 && property[0] == u'c'; }

}  // namespace

// ElementBase

void ElementBase::Reset() { active_ = false; }
void ElementBase::Trigger(int32_t, Element*) {}
void ElementBase::SetInt(const String&, int32_t) {}
int32_t ElementBase::GetInt(const String&) { return NO_VALUE; }
void ElementBase::SetString(const String&, const String&) {}

void ElementBase::SetFlag(const String& property, bool value) {
    if (property == u"e") SetActive(value);
}

void ElementBase::SetRect(const String&, std::unique_ptr<Rect>) {}
int32_t ElementBase::GetKind() const { return 0; }
void ElementBase::SetActive(bool active) { active_ = active; }
void ElementBase::OnSoundDone() {}

// IndexedElement

void IndexedElement::SetActive(bool active) {
    active_ = active;
    if (Name().empty()) return;
    if (active) {
        Owner().names.Register(Name(), this);
    } else {
        Owner().names.Unregister(Name());
    }
}

// VisualElement

VisualElement::VisualElement(Instrument& owner, String name) : Element(owner, std::move(name)) {
    VisualElement::Reset();
}

VisualElement::~VisualElement() = default;

void VisualElement::Reset() {
    ElementBase::Reset();
    bounds_.reset();
    fillColour_ = 0x909090;
    pressedFillColour_ = 0x0080FF;
    lineColour_ = 0;
    pressedLineColour_ = 0;
    pressed_ = false;
    penInside_ = 0;
}

void VisualElement::SetInt(const String& property, int32_t value) {
    if (!IsColourName(property)) return;
    const auto colour = static_cast<Colour>(value);
    switch (property[1]) {
        case u'i':
            fillColour_ = colour;
            break;
        case u'a':
            pressedFillColour_ = colour;
            break;
        case u'I':
            lineColour_ = colour;
            break;
        case u'A':
            pressedLineColour_ = colour;
            break;
        default:
            break;
    }
}

int32_t VisualElement::GetInt(const String& property) {
    if (!IsColourName(property)) return NO_VALUE;
    switch (property[1]) {
        case u'i':
            return static_cast<int32_t>(fillColour_);
        case u'a':
            return static_cast<int32_t>(pressedFillColour_);
        case u'I':
            return static_cast<int32_t>(lineColour_);
        case u'A':
            return static_cast<int32_t>(pressedLineColour_);
        default:
            return NO_VALUE;
    }
}

void VisualElement::SetRect(const String& property, std::unique_ptr<Rect> rect) {
    if (property == u"b") SetBounds(std::move(rect));
    // Any other name: the rectangle is simply released.
}

int32_t VisualElement::GetKind() const { return KIND_VISUAL; }

void VisualElement::SetActive(bool active) {
    if (active == active_) return;
    active_ = active;
    if (!Name().empty()) {
        if (active) {
            Owner().names.Register(Name(), this);
        } else {
            Owner().names.Unregister(Name());
        }
    }
    if (bounds_) Owner().AddPendingRepaint(*bounds_);
}

bool VisualElement::HitTest(Point p) {
    if (!bounds_) return false;
    return p.x >= bounds_->left && p.x <= bounds_->right && p.y >= bounds_->top &&
           p.y <= bounds_->bottom;
}

bool VisualElement::StrokeCrosses(Point from, Point to) {
    if (!bounds_) return false;
    return (Outcode(from, *bounds_) & Outcode(to, *bounds_)) == 0;
}

bool VisualElement::Intersects(const Rect& r) {
    if (!bounds_) return false;
    return !(r.right < bounds_->left || r.left > bounds_->right || r.bottom < bounds_->top ||
             r.top > bounds_->bottom);
}

bool VisualElement::IsVisibleIn(const Rect& paintRect) { return Intersects(paintRect); }

int32_t VisualElement::OnStroke(Point, Point, int32_t, bool, int32_t) { return 0; }

void VisualElement::SetBounds(std::unique_ptr<Rect> bounds) { bounds_ = std::move(bounds); }

void VisualElement::SetPressed(bool pressed) { pressed_ = pressed; }

void VisualElement::SetPenInside(int32_t point, bool inside) {
    const uint16_t bit = TouchPointBit(point);
    penInside_ = static_cast<uint16_t>(inside ? penInside_ | bit : penInside_ & ~bit);
}

}  // namespace chordlane
