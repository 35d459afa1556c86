#pragma once
// Bounds the chains of triggers that elements pass on by name. An instrument file can name
// elements in a circle (a group holding a play action for itself, a button whose target
// stops the button) or fan out in a deep tree of groups; followed blindly, the first
// overflows the stack and the second never ends.

#include <cstdint>

namespace chordlane {

// Held by an element for the time it passes a trigger on. The trigger is refused when the
// element is already passing one on further up the chain (a circle), when the chain is
// deeper than MAX_DEPTH, or when the outermost trigger has already caused MAX_FORWARDS
// forwards.
class TriggerGuard {
public:
    static constexpr int32_t MAX_DEPTH = 64;
    static constexpr int32_t MAX_FORWARDS = 100000;

    //! busy is the element's own flag; it is set while the guard allows and is held.
    explicit TriggerGuard(bool& busy);
    ~TriggerGuard();
    TriggerGuard(const TriggerGuard&) = delete;
    TriggerGuard& operator=(const TriggerGuard&) = delete;

    bool Allowed() const { return allowed_; }

private:
    bool& busy_;
    bool allowed_ = false;
};

}  // namespace chordlane
