#pragma once
// The member list of groups and panels. Fan-out, drawing and strokes follow its order, the
// order of the instrument file.

#include <memory>

#include "platform/Types.h"

namespace chordlane {

class Element;

class ElementList {
  public:
    virtual ~ElementList() = default;
    //! Appends the registered element of that name (not owned); nothing when none is found.
    virtual void AddByName(const String& name) = 0;
    //! Appends an element this list then owns.
    virtual void Add(std::unique_ptr<Element> element) = 0;
    //! Removes the registered element of that name, if it is a member.
    virtual void RemoveByName(const String& name) = 0;
    //! Removes the first entry holding the element; answers whether there was one.
    virtual bool Remove(Element* element) = 0;
    //! Empties the list without deleting anything.
    virtual void RemoveAll() = 0;
    //! Deletes the owned members depth-first in order, then empties the list.
    virtual void DeleteAll() = 0;
};

}  // namespace chordlane
