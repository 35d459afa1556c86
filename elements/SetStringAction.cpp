#include "elements/SetStringAction.h"

#include "app/AppVariables.h"

namespace chordlane {

SetStringAction::SetStringAction(String name, String property, String value)
    : Element(std::move(name)),
      target_(Name(), 2),
      property_(std::move(property)),
      value_(std::move(value)) {
    SetStringAction::Reset();
}

void SetStringAction::Trigger(int32_t, Element*) {
    if (target_.IsGlobal()) {
        ForwardToRoot(property_, value_);
    } else if (Element* target = target_.Find()) {
        target->SetString(property_, value_);
    }
}

}  // namespace chordlane
