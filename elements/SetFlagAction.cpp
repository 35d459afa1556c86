#include "elements/SetFlagAction.h"

#include "elements/Instrument.h"

namespace chordlane {

SetFlagAction::SetFlagAction(Instrument& owner, String name, String property, bool value)
    : Element(owner, std::move(name)),
      target_(Name(), 2),
      property_(std::move(property)),
      value_(value) {
    SetFlagAction::Reset();
}

void SetFlagAction::Trigger(int32_t, Element*) {
    if (Element* target = target_.Find(Owner().names)) target->SetFlag(property_, value_);
}

}  // namespace chordlane
