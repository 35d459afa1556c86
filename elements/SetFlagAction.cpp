#include "elements/SetFlagAction.h"

namespace chordlane {

SetFlagAction::SetFlagAction(String name, String property, bool value)
    : Element(std::move(name)), target_(Name(), 2), property_(std::move(property)), value_(value) {
    SetFlagAction::Reset();
}

void SetFlagAction::Trigger(int32_t, Element*) {
    if (Element* target = target_.Find()) target->SetFlag(property_, value_);
}

}  // namespace chordlane
