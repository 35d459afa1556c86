#include "elements/SetRectAction.h"

#include "elements/Instrument.h"

namespace chordlane {

SetRectAction::SetRectAction(Instrument& owner, String name, String property,
                             std::unique_ptr<Rect> rect)
    : Element(owner, std::move(name)),
      target_(Name(), 2),
      property_(std::move(property)),
      rect_(std::move(rect)) {
    SetRectAction::Reset();
}

void SetRectAction::Trigger(int32_t, Element*) {
    if (!rect_) return;
    if (Element* target = target_.Find(Owner().names))
        target->SetRect(property_, std::make_unique<Rect>(*rect_));
}

}  // namespace chordlane
