#include "elements/HiddenButtonElement.h"

#include "elements/EventTrace.h"
#include "elements/Instrument.h"
#include "elements/NameRegistry.h"
#include "elements/TriggerGuard.h"

namespace chordlane {

HiddenButtonElement::HiddenButtonElement(Instrument& owner, String name)
    : VisualElement(owner, std::move(name)) {
    HiddenButtonElement::Reset();
}

void HiddenButtonElement::Reset() {
    VisualElement::Reset();
    target_ = nullptr;
    linked_ = nullptr;
}

void HiddenButtonElement::Trigger(int32_t value, Element* source) {
    TriggerGuard guard(Owner().budgets.triggers, triggering_);
    if (!guard.Allowed()) return;
    if (!target_) target_ = Owner().names.Lookup(targetName_);
    if (!target_) return;
    target_->Trigger(value, source);
    // Labels and shapes changed by the target's actions collect their areas; they are
    // shown together once the whole chain has run.
    Owner().FlushPendingRepaint();
}

void HiddenButtonElement::SetString(const String& property, const String& value) {
    if (property == u"na") {
        targetName_ = value;
        target_ = nullptr;
    } else if (property == u"nb") {
        linkedName_ = value;
        // Looked up once: an element that registers later is not linked.
        linked_ = Owner().names.Lookup(value);
    }
}

int32_t HiddenButtonElement::GetKind() const { return KIND_VISUAL | KIND_BUTTON; }

int32_t HiddenButtonElement::OnStroke(Point, Point, int32_t, bool, int32_t) { return 0; }

bool HiddenButtonElement::Draw(Surface&) { return false; }

void HiddenButtonElement::SetPressed(bool pressed) {
    if (pressed == pressed_) return;
    pressed_ = pressed;
    if (EventTrace* trace = Owner().trace) trace->Pressed(*this, pressed);
    if (bounds_) Owner().RepaintIfShowActive(*bounds_);
    // Two buttons linked to each other stop here on the way back: the flag already matches.
    if (linked_ && (linked_->GetKind() & KIND_VISUAL)) {
        static_cast<VisualElement*>(linked_)->SetPressed(pressed);
    }
}

}  // namespace chordlane
