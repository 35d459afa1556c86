#include "elements/StopAction.h"

#include "elements/Instrument.h"
#include "elements/TriggerGuard.h"

namespace chordlane {

StopAction::StopAction(Instrument& owner, String name)
    : Element(owner, std::move(name)), target_(Name(), 1) {
    StopAction::Reset();
}

void StopAction::Trigger(int32_t, Element* source) {
    TriggerGuard guard(Owner().budgets.triggers, triggering_);
    if (!guard.Allowed()) return;
    if (Element* target = target_.Find(Owner().names)) target->Trigger(NO_VALUE, source);
}

}  // namespace chordlane
