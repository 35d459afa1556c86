#pragma once
#include "elements/ActionTarget.h"
#include "elements/Element.h"

namespace chordlane {

// Releases its target (directive "<"): the target is triggered with NO_VALUE.
class StopAction : public Element {
  public:
    explicit StopAction(Instrument& owner, String name);

    const char* ClassName() const override { return "StopAction"; }
    //! Releases the target, passing the source on.
    void Trigger(int32_t value, Element* source) override;

  private:
    ActionTarget target_;
    bool triggering_ = false;
};

}  // namespace chordlane
