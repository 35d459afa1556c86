#include "elements/GroupElement.h"

#include <algorithm>

#include "elements/ImageElement.h"
#include "elements/Instrument.h"
#include "elements/NameRegistry.h"
#include "elements/PanelElement.h"
#include "elements/TargetAction.h"
#include "elements/TriggerGuard.h"

namespace chordlane {

GroupElement::GroupElement(Instrument& owner, String name)
    : IndexedElement(owner, std::move(name)) {
    GroupElement::Reset();
}

// Owned members go with the group; members that were only added by name belong elsewhere.
GroupElement::~GroupElement() = default;

void GroupElement::Reset() { active_ = false; }

void GroupElement::Trigger(int32_t value, Element* source) {
    TriggerScope scope(Owner().budgets.triggers);
    if (!Owner().budgets.triggers.ChargeVisits(members_.size())) return;
    // A member may change the list it stands in (a voice leaving its group), so walk a copy.
    const std::vector<Element*> members = members_;
    for (Element* member : members) member->Trigger(value, source);
}

void GroupElement::SetInt(const String& property, int32_t value) {
    if (!Owner().budgets.triggers.ChargeVisits(members_.size())) return;
    const std::vector<Element*> members = members_;
    for (Element* member : members) member->SetInt(property, value);
}

int32_t GroupElement::GetInt(const String&) { return NO_VALUE; }

void GroupElement::SetString(const String& property, const String& value) {
    if (!Owner().budgets.triggers.ChargeVisits(members_.size())) return;
    const std::vector<Element*> members = members_;
    for (Element* member : members) member->SetString(property, value);
}

void GroupElement::SetFlag(const String& property, bool value) {
    if (property == u"e") SetActive(value);
}

void GroupElement::SetRect(const String&, std::unique_ptr<Rect>) {}

int32_t GroupElement::GetKind() const { return KIND_GROUP; }

void GroupElement::SetActive(bool active) { SetActiveWhere(active, 0); }

void GroupElement::SetActiveWhere(bool active, int32_t mask) {
    if (active == active_) return;
    const std::vector<Element*> members = members_;
    for (Element* member : members) {
        if ((member->GetKind() & mask) != mask || mask == 0) member->SetActive(active);
    }
    IndexedElement::SetActive(active);
}

void GroupElement::ApplyToMembers(TargetAction& action, int32_t value) {
    if (!Owner().budgets.triggers.ChargeVisits(members_.size())) return;
    const std::vector<Element*> members = members_;
    for (Element* member : members) action.ApplyTo(member, value);
}

bool GroupElement::Contains(const Element* element) const {
    return std::find(members_.begin(), members_.end(), element) != members_.end();
}

int32_t GroupElement::StrokeMembers(Point from, Point to, int32_t value, bool parentPenInside,
                                    int32_t point) {
    int32_t count = 0;
    const std::vector<Element*> members = members_;
    for (Element* member : members) {
        if (member->GetKind() & KIND_VISUAL) {
            count += static_cast<VisualElement*>(member)->OnStroke(from, to, value, parentPenInside,
                                                                   point);
        }
    }
    return count;
}

int32_t GroupElement::DrawMembers(Surface& surface, int32_t mask, int32_t value) {
    int32_t count = 0;
    for (Element* member : members_) {
        const int32_t kind = member->GetKind();
        if (kind & KIND_CONTAINER) {
            count += static_cast<PanelElement*>(member)->DrawMembers(surface, mask, value);
        } else if ((kind & KIND_VISUAL) && (kind & mask) == value) {
            static_cast<VisualElement*>(member)->Draw(surface);
            ++count;
        }
    }
    return count;
}

Element* GroupElement::FindImageByFile(const String& fileName) {
    for (Element* member : members_) {
        const int32_t kind = member->GetKind();
        if (kind & KIND_CONTAINER) {
            if (Element* hit = static_cast<PanelElement*>(member)->FindImageByFile(fileName)) {
                return hit;
            }
        } else if ((kind & KIND_IMAGE) &&
                   static_cast<ImageElement*>(member)->GetFileName() == fileName) {
            return member;
        }
    }
    return nullptr;
}

void GroupElement::ResetPenInside(int32_t point, bool inside) {
    for (Element* member : members_) {
        if (member->GetKind() & KIND_CONTAINER)
            static_cast<PanelElement*>(member)->SetPenInside(point, inside);
    }
}

void GroupElement::AddByName(const String& name) {
    if (Element* element = Owner().names.Lookup(name)) members_.push_back(element);
}

void GroupElement::Add(std::unique_ptr<Element> element) {
    if (!element) return;
    members_.push_back(element.get());
    owned_.push_back(std::move(element));
}

void GroupElement::RemoveByName(const String& name) {
    if (Element* element = Owner().names.Lookup(name)) Remove(element);
}

bool GroupElement::Remove(Element* element) {
    auto it = std::find(members_.begin(), members_.end(), element);
    if (it == members_.end()) return false;
    members_.erase(it);
    return true;
}

void GroupElement::RemoveAll() { members_.clear(); }

void GroupElement::DeleteAll() {
    // Depth first in file order. The member list is emptied before anything is destroyed, so
    // a destructor that asks a group to remove a member never walks freed entries here.
    members_.clear();
    std::vector<std::unique_ptr<Element>> doomed = std::move(owned_);
    owned_.clear();
    for (auto& element : doomed) {
        const int32_t kind = element->GetKind();
        if (kind & KIND_CONTAINER) {
            static_cast<PanelElement*>(element.get())->DeleteAll();
        } else if (kind & KIND_GROUP) {
            static_cast<GroupElement*>(element.get())->DeleteAll();
        }
        element.reset();
    }
}

}  // namespace chordlane
