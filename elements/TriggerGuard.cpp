#include "elements/TriggerGuard.h"

namespace chordlane {

TriggerGuard::TriggerGuard(TriggerBudget& budget, bool& busy) : budget_(budget), busy_(busy) {
    if (budget_.Outermost()) budget_.visits_ = 0;
    if (budget_.depth_ == 0) budget_.forwards_ = 0;
    ++budget_.depth_;
    ++budget_.forwards_;
    allowed_ = !busy_ && budget_.depth_ <= TriggerBudget::MAX_DEPTH &&
               budget_.forwards_ <= TriggerBudget::MAX_FORWARDS;
    if (allowed_) busy_ = true;
}

TriggerGuard::~TriggerGuard() {
    if (allowed_) busy_ = false;
    --budget_.depth_;
}

bool TriggerBudget::ChargeVisits(size_t count) {
    if (Outermost()) return true;
    if (count > MAX_VISITS - visits_) {
        visits_ = MAX_VISITS;
        return false;
    }
    visits_ += count;
    return true;
}

TriggerScope::TriggerScope(TriggerBudget& budget) : budget_(budget) {
    if (budget_.Outermost()) budget_.visits_ = 0;
    ++budget_.scopes_;
}

TriggerScope::~TriggerScope() { --budget_.scopes_; }

}  // namespace chordlane
