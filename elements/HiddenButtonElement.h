#pragma once
#include "elements/Element.h"

namespace chordlane {

// A button without area or drawing: a named relay that passes triggers to its "na" target,
// reached by key and hardware-button events. Rectangular and elliptical buttons build on it.
class HiddenButtonElement : public VisualElement {
  public:
    explicit HiddenButtonElement(Instrument& owner, String name);

    const char* ClassName() const override { return "HiddenButtonElement"; }
    void Reset() override;
    //! Passes the trigger to the "na" target (looked up until found), then repaints what
    //! became pending on the way.
    void Trigger(int32_t value, Element* source) override;
    //! "na" names the target, "nb" the element whose pressed flag follows this one.
    void SetString(const String& property, const String& value) override;
    int32_t GetKind() const override;
    //! A hidden button never reacts to the stylus.
    int32_t OnStroke(Point from, Point to, int32_t value, bool parentPenInside,
                     int32_t point) override;
    bool Draw(Surface& surface) override;
    //! Changes the pressed flag, repaints with Show Active on, and presses the "nb" element.
    void SetPressed(bool pressed) override;

    const String& TargetName() const { return targetName_; }
    const String& LinkedName() const { return linkedName_; }
    Element* Linked() const { return linked_; }

  private:
    String targetName_;          // "na"
    Element* target_ = nullptr;  // not owned
    String linkedName_;          // "nb"
    Element* linked_ = nullptr;  // not owned
    bool triggering_ = false;
};

}  // namespace chordlane
