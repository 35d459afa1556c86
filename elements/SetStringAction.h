#pragma once
#include "elements/ActionTarget.h"
#include "elements/Element.h"

namespace chordlane {

// Sets a string property of its target (directive "=s"): a button's target, a label's
// text. Without a target name the property is set on every element of the instrument.
class SetStringAction : public Element {
  public:
    SetStringAction(Instrument& owner, String name, String property, String value);

    const char* ClassName() const override { return "SetStringAction"; }
    void Trigger(int32_t value, Element* source) override;

    const String& Property() const { return property_; }
    const String& Value() const { return value_; }

  private:
    ActionTarget target_;
    String property_;
    String value_;
};

}  // namespace chordlane
