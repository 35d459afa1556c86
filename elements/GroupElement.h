#pragma once
#include <memory>
#include <vector>

#include "elements/Element.h"
#include "elements/ElementList.h"

namespace chordlane {

class TargetAction;

// A named list of members: a trigger, property or activation sent to it reaches every
// member. Members added with Add are owned; members added by name (a voice joining with
// "ng") are not, so an element standing in two lists is destroyed once.
class GroupElement : public IndexedElement, public ElementList {
  public:
    explicit GroupElement(Instrument& owner, String name);
    ~GroupElement() override;

    const char* ClassName() const override { return "GroupElement"; }
    void Reset() override;
    void Trigger(int32_t value, Element* source) override;
    void SetInt(const String& property, int32_t value) override;
    int32_t GetInt(const String& property) override;
    void SetString(const String& property, const String& value) override;
    void SetFlag(const String& property, bool value) override;
    void SetRect(const String& property, std::unique_ptr<Rect> rect) override;
    int32_t GetKind() const override;
    void SetActive(bool active) override;

    void AddByName(const String& name) override;
    void Add(std::unique_ptr<Element> element) override;
    void RemoveByName(const String& name) override;
    bool Remove(Element* element) override;
    void RemoveAll() override;
    void DeleteAll() override;

    //! Unless active equals the group's flag: members whose kind lacks a bit of mask (all
    //! when mask is 0) get SetActive, then the group itself.
    virtual void SetActiveWhere(bool active, int32_t mask);
    //! The action's ApplyTo on every member.
    virtual void ApplyToMembers(TargetAction& action, int32_t value);
    virtual bool Contains(const Element* element) const;
    //! OnStroke on every visual member; the sum of their answers.
    virtual int32_t StrokeMembers(Point from, Point to, int32_t value, bool parentPenInside,
                                  int32_t point);
    //! Draws the visual members whose (kind & mask) == value, descending into panels.
    virtual int32_t DrawMembers(Surface& surface, int32_t mask, int32_t value);
    //! The first image element in tree order showing that file, or null.
    virtual Element* FindImageByFile(const String& fileName);
    //! SetPenInside of touch point `point` on every direct member panel.
    virtual void ResetPenInside(int32_t point, bool inside);

    const std::vector<Element*>& Members() const { return members_; }

  private:
    std::vector<Element*> members_;
    std::vector<std::unique_ptr<Element>> owned_;
};

}  // namespace chordlane
