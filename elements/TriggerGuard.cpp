#include "elements/TriggerGuard.h"

namespace chordlane {

namespace {
int32_t g_depth = 0;
int32_t g_forwards = 0;
}  // namespace

TriggerGuard::TriggerGuard(bool& busy) : busy_(busy) {
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

}  // namespace chordlane
