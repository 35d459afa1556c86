#include "elements/TriggerGuard.h"

namespace chordlane {

namespace {
int32_t g_depth = 0;
int32_t g_forwards = 0;
int32_t g_scopes = 0;
size_t g_visits = 0;

bool Outermost() { return g_depth == 0 && g_scopes == 0; }
}  // namespace

TriggerGuard::TriggerGuard(bool& busy) : busy_(busy) {
    if (Outermost()) g_visits = 0;
    if (g_depth == 0) g_forwards = 0;
    ++g_depth;
    ++g_forwards;
    allowed_ = !busy_ && g_depth <= MAX_DEPTH && g_forwards <= MAX_FORWARDS;
    if (allowed_) busy_ = true;
}

TriggerGuard::~TriggerGuard() {
    if (allowed_) busy_ = false;
    --g_depth;
}

bool TriggerGuard::ChargeVisits(size_t count) {
    if (Outermost()) return true;
    if (count > MAX_VISITS - g_visits) {
        g_visits = MAX_VISITS;
        return false;
    }
    g_visits += count;
    return true;
}

TriggerScope::TriggerScope() {
    if (Outermost()) g_visits = 0;
    ++g_scopes;
}

TriggerScope::~TriggerScope() { --g_scopes; }

}  // namespace chordlane
