#include "elements/StopAction.h"

#include "elements/TriggerGuard.h"

namespace chordlane {

StopAction::StopAction(String name) : Element(std::move(name)), target_(Name(), 1) {
    StopAction::Reset();
}

void StopAction::Trigger(int32_t, Element* source) {
    TriggerGuard guard(triggering_);
    if (!guard.Allowed()) return;
    if (Element* target = target_.Find()) target->Trigger(NO_VALUE, source);
}

}  // namespace chordlane
