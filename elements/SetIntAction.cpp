#include "elements/SetIntAction.h"

#include <algorithm>

#include "elements/GroupElement.h"
#include "elements/Instrument.h"
#include "elements/PanelElement.h"

namespace chordlane {

SetIntAction::SetIntAction(Instrument& owner, String name, String property, int32_t value)
    : TargetAction(owner, std::move(name)),
      target_(Name(), 2),
      property_(std::move(property)),
      value_(value) {
    SetIntAction::Reset();
}

SetIntAction::SetIntAction(Instrument& owner, String name, String property, int32_t step,
                           int32_t limit, int32_t restart)
    : TargetAction(owner, std::move(name)),
      target_(Name(), 2),
      property_(std::move(property)),
      step_(step),
      limit_(limit),
      restart_(restart == NO_VALUE ? limit : restart) {
    SetIntAction::Reset();
}

int32_t SetIntAction::Stepped(int32_t current) const {
    if (current == NO_VALUE) return step_;
    // In 64 bits, so that a step past the 32-bit range still compares with the limit.
    const int64_t next = int64_t{current} + step_;
    // Without a limit there is nothing to wrap at: every transposition by "+1" would
    // otherwise turn into the missing restart value.
    if (limit_ != NO_VALUE && ((step_ < 0 && next < limit_) || (step_ > 0 && next > limit_))) {
        return restart_;
    }
    // Saturated one above the most negative value, which would read as "no value".
    return static_cast<int32_t>(std::clamp<int64_t>(next, int64_t{NO_VALUE} + 1, INT32_MAX));
}

void SetIntAction::ApplyTo(Element* element, int32_t value) {
    if (!element) return;
    const int32_t kind = element->GetKind();
    if (kind & KIND_GROUP) {
        static_cast<GroupElement*>(element)->ApplyToMembers(*this, value);
    } else if (kind & KIND_CONTAINER) {
        static_cast<PanelElement*>(element)->ApplyToMembers(*this, value);
    } else if (step_ == NO_VALUE) {
        element->SetInt(property_, value_);
    } else {
        element->SetInt(property_, Stepped(element->GetInt(property_)));
    }
}

void SetIntAction::Trigger(int32_t value, Element*) {
    if (Element* target = target_.Find(Owner().names)) {
        ApplyTo(target, value);
        return;
    }
    if (!target_.IsGlobal()) return;
    if (step_ == NO_VALUE) {
        Owner().SetVariable(property_, value_);
    } else if (Owner().IsVariable(property_)) {
        Owner().SetVariable(property_, Stepped(Owner().GetVariable(property_)));
    } else if (PanelElement* root = Owner().root.get()) {
        root->ApplyToMembers(*this, value);
    }
}

}  // namespace chordlane
