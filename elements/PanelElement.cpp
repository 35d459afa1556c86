#include "elements/PanelElement.h"

#include "elements/Instrument.h"
#include "elements/NameRegistry.h"

namespace chordlane {

PanelElement::PanelElement(Instrument& owner, String name, std::unique_ptr<Rect> bounds,
                           int32_t number)
    : VisualElement(owner, std::move(name)), group_(owner, String()) {
    PanelElement::Reset();
    bounds_ = std::move(bounds);
    number_ = number;
}

PanelElement::~PanelElement() = default;

void PanelElement::Reset() {
    VisualElement::Reset();
    number_ = 0;
    initDone_ = false;
}

void PanelElement::Trigger(int32_t, Element*) {}

void PanelElement::SetInt(const String& property, int32_t value) { group_.SetInt(property, value); }

void PanelElement::SetString(const String& property, const String& value) {
    group_.SetString(property, value);
}

void PanelElement::SetFlag(const String& property, bool value) {
    if (property == u"e") SetActive(value);
}

int32_t PanelElement::GetKind() const { return KIND_VISUAL | KIND_CONTAINER; }

void PanelElement::SetActive(bool active) {
    if (active == active_) return;
    VisualElement::SetActive(active);
    group_.SetActive(active);
    if (active && !initDone_) {
        // Marked first: an init group that shows this panel again must not fire it twice.
        initDone_ = true;
        Owner().names.FireInitEvent(number_);
    }
}

int32_t PanelElement::OnStroke(Point from, Point to, int32_t value, bool, int32_t point) {
    if (!active_) return 0;
    if (!StrokeCrosses(from, to)) return 0;
    // Members learn whether the previous point lay inside this panel; the caller's flag is
    // not what decides for a panel.
    const int32_t count = group_.StrokeMembers(from, to, value, IsPenInside(point), point);
    VisualElement::SetPenInside(point, HitTest(to));
    return count;
}

bool PanelElement::Draw(Surface&) { return false; }

void PanelElement::AddByName(const String& name) { group_.AddByName(name); }
void PanelElement::Add(std::unique_ptr<Element> element) { group_.Add(std::move(element)); }
void PanelElement::RemoveByName(const String& name) { group_.RemoveByName(name); }
bool PanelElement::Remove(Element* element) { return group_.Remove(element); }
void PanelElement::RemoveAll() { group_.RemoveAll(); }
void PanelElement::DeleteAll() { group_.DeleteAll(); }

bool PanelElement::Contains(const Element* element) const { return group_.Contains(element); }

void PanelElement::ApplyToMembers(TargetAction& action, int32_t value) {
    group_.ApplyToMembers(action, value);
}

void PanelElement::SetActiveWhere(bool active, int32_t mask) {
    group_.SetActiveWhere(active, mask);
}

int32_t PanelElement::DrawMembers(Surface& surface, int32_t mask, int32_t value) {
    if (!active_) return 0;
    if (!Intersects(surface.PaintRect())) return 0;
    return group_.DrawMembers(surface, mask, value);
}

Element* PanelElement::FindImageByFile(const String& fileName) {
    return group_.FindImageByFile(fileName);
}

void PanelElement::ResetPenInside(int32_t point, bool inside) {
    // The panel's own flag too: on the root it is what buttons standing directly in the root
    // receive as parentPenInside, and a new stroke must not count as staying in them.
    VisualElement::SetPenInside(point, inside);
    group_.ResetPenInside(point, inside);
}

}  // namespace chordlane
