#include "elements/ActionTarget.h"

#include "elements/NameRegistry.h"

namespace chordlane {

ActionTarget::ActionTarget(const String& actionName, size_t suffixLength)
    : name_(actionName.substr(
          0, actionName.size() > suffixLength ? actionName.size() - suffixLength : 0)) {}

Element* ActionTarget::Find(const NameRegistry& names) {
    if (!element_ && !name_.empty()) element_ = names.Lookup(name_);
    return element_;
}

}  // namespace chordlane
