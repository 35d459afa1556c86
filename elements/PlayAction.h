#pragma once
#include "elements/ActionTarget.h"
#include "elements/Element.h"

namespace chordlane {

// Plays its target (directive ">") with its own strength or the incoming one, first
// silencing the other playing voice of the same string: the first one whose name ends in
// the same character as the target's.
class PlayAction : public Element {
  public:
    //! value is the strength to play with, NO_VALUE to pass the incoming one on.
    PlayAction(Instrument& owner, String name, int32_t value);

    const char* ClassName() const override { return "PlayAction"; }
    void Trigger(int32_t value, Element* source) override;

    int32_t Value() const { return value_; }

  private:
    ActionTarget target_;
    int32_t value_ = NO_VALUE;
    bool triggering_ = false;
};

}  // namespace chordlane
