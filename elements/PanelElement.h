#pragma once
#include <memory>

#include "elements/Element.h"
#include "elements/ElementList.h"
#include "elements/GroupElement.h"

namespace chordlane {

// A page of the instrument with its own area, shown and hidden as a whole; fires its init
// event the first time it is shown. The root panel "!" holds the whole instrument.
class PanelElement : public VisualElement, public ElementList {
  public:
    PanelElement(Instrument& owner, String name, std::unique_ptr<Rect> bounds, int32_t number);
    ~PanelElement() override;

    const char* ClassName() const override { return "PanelElement"; }
    void Reset() override;
    void Trigger(int32_t value, Element* source) override;
    void SetInt(const String& property, int32_t value) override;
    void SetString(const String& property, const String& value) override;
    void SetFlag(const String& property, bool value) override;
    int32_t GetKind() const override;
    void SetActive(bool active) override;
    int32_t OnStroke(Point from, Point to, int32_t value, bool parentPenInside,
                     int32_t point) override;
    bool Draw(Surface& surface) override;

    void AddByName(const String& name) override;
    void Add(std::unique_ptr<Element> element) override;
    void RemoveByName(const String& name) override;
    bool Remove(Element* element) override;
    void RemoveAll() override;
    void DeleteAll() override;

    bool Contains(const Element* element) const;
    void ApplyToMembers(TargetAction& action, int32_t value);
    void SetActiveWhere(bool active, int32_t mask);
    int32_t DrawMembers(Surface& surface, int32_t mask, int32_t value);
    Element* FindImageByFile(const String& fileName);
    //! The "pen inside" flag of touch point `point` on this panel and its direct member panels.
    void ResetPenInside(int32_t point, bool inside);

    int32_t Number() const { return number_; }
    bool InitDone() const { return initDone_; }
    GroupElement& Group() { return group_; }
    const GroupElement& Group() const { return group_; }

  private:
    int32_t number_ = 0;
    bool initDone_ = false;
    GroupElement group_;
};

}  // namespace chordlane
