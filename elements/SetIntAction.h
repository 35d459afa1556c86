#pragma once
#include "elements/ActionTarget.h"
#include "elements/TargetAction.h"

namespace chordlane {

// Sets an integer property of its target (directive "=i"), or steps it: adds the step and,
// beyond the limit, starts again at the restart value. Without a target name it works on
// the application variables, and a step of another property on every element of the tree.
class SetIntAction : public TargetAction {
  public:
    //! Sets property to value.
    SetIntAction(Instrument& owner, String name, String property, int32_t value);
    //! Steps property by step; a result beyond limit becomes restart. A restart of NO_VALUE
    //! takes the limit; a limit of NO_VALUE means the property is never wrapped.
    SetIntAction(Instrument& owner, String name, String property, int32_t step, int32_t limit,
                 int32_t restart);

    const char* ClassName() const override { return "SetIntAction"; }
    void Trigger(int32_t value, Element* source) override;
    //! Applies the setting or step to element, or to every member of a group or panel.
    void ApplyTo(Element* element, int32_t value) override;

    const String& Property() const { return property_; }
    int32_t Value() const { return value_; }
    int32_t Step() const { return step_; }
    int32_t Limit() const { return limit_; }
    int32_t Restart() const { return restart_; }

  private:
    int32_t Stepped(int32_t current) const;

    ActionTarget target_;
    String property_;
    int32_t value_ = NO_VALUE;
    int32_t step_ = NO_VALUE;  // NO_VALUE: an absolute setting
    int32_t limit_ = NO_VALUE;
    int32_t restart_ = NO_VALUE;
};

}  // namespace chordlane
