#pragma once
#include "elements/Element.h"

namespace chordlane {

// Base of the actions that can be applied to every member of a group or of the whole tree.
class TargetAction : public Element {
  public:
    using Element::Element;
    //! Applies the action to element, descending into groups and panels.
    virtual void ApplyTo(Element* element, int32_t value) = 0;
};

}  // namespace chordlane
