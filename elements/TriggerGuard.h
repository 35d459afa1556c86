#pragma once
// Bounds the chains of triggers that elements pass on by name. An instrument file can name
// elements in a circle (a group holding a play action for itself, a button whose target
// stops the button) or fan out in a deep tree of groups; followed blindly, the first
// overflows the stack and the second never ends.

#include <cstddef>
#include <cstdint>

namespace chordlane {

//! Elements one outermost trigger may reach through groups: far more than any instrument
//! needs (a few hundred elements, each reached a few times), a few milliseconds.
inline constexpr size_t MAX_VISITS = 1'000'000;

// The counts of the trigger chain under way in one instrument.
class TriggerBudget {
  public:
    static constexpr int32_t MAX_DEPTH = 64;
    static constexpr int32_t MAX_FORWARDS = 100000;

    //! Counts count elements reached by a group passing something to its members; false
    //! (the group must not pass it) once the outermost trigger has reached MAX_VISITS.
    //! Outside any trigger it always allows.
    bool ChargeVisits(size_t count);

  private:
    friend class TriggerGuard;
    friend class TriggerScope;
    bool Outermost() const { return depth_ == 0 && scopes_ == 0; }

    int32_t depth_ = 0;
    int32_t forwards_ = 0;
    int32_t scopes_ = 0;
    size_t visits_ = 0;
};

// Held by an element for the time it passes a trigger on. The trigger is refused when the
// element is already passing one on further up the chain (a circle), when the chain is
// deeper than MAX_DEPTH, or when the outermost trigger has already caused MAX_FORWARDS
// forwards.
class TriggerGuard {
  public:
    //! busy is the element's own flag; it is set while the guard allows and is held.
    TriggerGuard(TriggerBudget& budget, bool& busy);
    ~TriggerGuard();
    TriggerGuard(const TriggerGuard&) = delete;
    TriggerGuard& operator=(const TriggerGuard&) = delete;

    bool Allowed() const { return allowed_; }

  private:
    TriggerBudget& budget_;
    bool& busy_;
    bool allowed_ = false;
};

// Held by a group while it passes a trigger to its members, so that what they do counts
// as part of one outer trigger. Each member of a group reaching every element is cheap on
// its own; an "init" of thousands of actions that each reach thousands of elements is the
// product of the two, and would hold the program for many seconds.
class TriggerScope {
  public:
    explicit TriggerScope(TriggerBudget& budget);
    ~TriggerScope();
    TriggerScope(const TriggerScope&) = delete;
    TriggerScope& operator=(const TriggerScope&) = delete;

  private:
    TriggerBudget& budget_;
};

}  // namespace chordlane
