#pragma once
#include "elements/ActionTarget.h"
#include "elements/Element.h"

namespace chordlane {

// Sets a flag property of its target (directive "=b"); "e" shows or hides it.
class SetFlagAction : public Element {
  public:
    SetFlagAction(Instrument& owner, String name, String property, bool value);

    const char* ClassName() const override { return "SetFlagAction"; }
    void Trigger(int32_t value, Element* source) override;

    const String& Property() const { return property_; }
    bool Value() const { return value_; }

  private:
    ActionTarget target_;
    String property_;
    bool value_ = false;
};

}  // namespace chordlane
