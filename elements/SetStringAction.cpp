#include "elements/SetStringAction.h"

#include "elements/Instrument.h"

namespace chordlane {

SetStringAction::SetStringAction(Instrument& owner, String name, String property, String value)
    : Element(owner, std::move(name)),
      target_(Name(), 2),
      property_(std::move(property)),
      value_(std::move(value)) {
    SetStringAction::Reset();
}

void SetStringAction::Trigger(int32_t, Element*) {
    if (target_.IsGlobal()) {
        Owner().ForwardToRoot(property_, value_);
    } else if (Element* target = target_.Find(Owner().names)) {
        target->SetString(property_, value_);
    }
}

}  // namespace chordlane
