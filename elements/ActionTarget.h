#pragma once
#include <cstddef>

#include "platform/Types.h"

namespace chordlane {

class Element;
class NameRegistry;

// The element an action works on: named by the action's own name without its kind suffix,
// looked up at each use until found and then kept. An element that later replaces it under
// the same name is not seen.
class ActionTarget {
  public:
    //! actionName ends in a suffix of suffixLength characters ("<", "=i", ...).
    ActionTarget(const String& actionName, size_t suffixLength);

    //! The target, or null while no element of its name is registered in names.
    Element* Find(const NameRegistry& names);
    //! Whether the action names no target at all (its name is the bare suffix).
    bool IsGlobal() const { return name_.empty(); }
    const String& Name() const { return name_; }

  private:
    String name_;
    Element* element_ = nullptr;  // not owned
};

}  // namespace chordlane
