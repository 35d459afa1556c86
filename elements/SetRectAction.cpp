#include "elements/SetRectAction.h"

namespace chordlane {

SetRectAction::SetRectAction(String name, String property, std::unique_ptr<Rect> rect)
    : Element(std::move(name)),
      target_(Name(), 2),
      property_(std::move(property)),
      rect_(std::move(rect)) {
    SetRectAction::Reset();
}

void SetRectAction::Trigger(int32_t, Element*) {
    if (!rect_) return;
    if (Element* target = target_.Find())
        target->SetRect(property_, std::make_unique<Rect>(*rect_));
}

}  // namespace chordlane
