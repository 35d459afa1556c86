#include "elements/PlayAction.h"

#include "elements/Instrument.h"
#include "elements/NameRegistry.h"
#include "elements/TriggerGuard.h"

namespace chordlane {

PlayAction::PlayAction(Instrument& owner, String name, int32_t value)
    : Element(owner, std::move(name)), target_(Name(), 1), value_(value) {
    PlayAction::Reset();
}

void PlayAction::Trigger(int32_t value, Element* source) {
    TriggerGuard guard(Owner().budgets.triggers, triggering_);
    if (!guard.Allowed()) return;
    Element* target = target_.Find(Owner().names);
    if (!target) return;
    const int32_t v = value_ != NO_VALUE ? value_ : value;
    // Voices are named after their string by their last character (E1, F1, G1 on string
    // 1). A name without characters names no string: releasing with key 0 would silence
    // every voice.
    if (v != NO_VALUE && !target->Name().empty())
        Owner().names.ReleaseOthers(target->Name().back(), target);
    target->Trigger(v, source);
}

}  // namespace chordlane
