#pragma once
#include <memory>

#include "elements/ActionTarget.h"
#include "elements/Element.h"

namespace chordlane {

// Sets a rectangle property of its target (directive "=r"); "b" moves or resizes it. The
// target receives a copy of the rectangle at every trigger.
class SetRectAction : public Element {
  public:
    SetRectAction(Instrument& owner, String name, String property, std::unique_ptr<Rect> rect);

    const char* ClassName() const override { return "SetRectAction"; }
    void Trigger(int32_t value, Element* source) override;

    const String& Property() const { return property_; }
    const Rect* GetRect() const { return rect_.get(); }

  private:
    ActionTarget target_;
    String property_;
    std::unique_ptr<Rect> rect_;
};

}  // namespace chordlane
