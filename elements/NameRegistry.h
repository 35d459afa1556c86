#pragma once
// The instrument's registry from names to elements, the sound list and the playing list,
// key and hardware-button event names, init events, and FindSound.

#include <cstdint>
#include <map>
#include <vector>

#include "platform/Types.h"

namespace chordlane {

class Element;
class Instrument;
class Sample;

// The registry of one instrument. Holds pointers into the instrument's element tree and
// owns none of them.
class NameRegistry {
  public:
    explicit NameRegistry(Instrument& owner) : owner_(owner) {}
    NameRegistry(const NameRegistry&) = delete;
    NameRegistry& operator=(const NameRegistry&) = delete;

    void Register(const String& name, Element* element);
    //! The entry stays, so an element once active can still be found by name.
    void Unregister(const String& name);
    //! The element of that name or, when there is none and the name starts with a capital
    //! letter, the element of the name without it; null when neither is registered.
    Element* Lookup(const String& name) const;

    //! Empties registry and lists, deleting nothing.
    void Clear();

    void StartPlaying(Element* voice);
    void StopPlaying(Element* voice);
    //! Releases playing elements (all when key is 0; else the first whose name ends in key),
    //! sparing one.
    void ReleaseOthers(char16_t key, Element* spare);

    void OnKeyDown(uint32_t keyCode);
    void OnKeyUp(uint32_t keyCode);
    //! The key state as at program start (no last key, no modifier held).
    void ResetKeyState();
    //! Shift and Control as they are held now: a release the window never saw (it went to a
    //! dialog) must not leave a modifier stuck on every later key.
    void SetHeldModifiers(bool shift, bool control);
    void FireInitEvent(int32_t panelNumber);

    //! The sample a note name names ("gtr", "gtr+12", "gtr-E2"), offset by offset
    //! semitones unless that is NO_VALUE; null when no active sound element has it.
    Sample* FindSound(const String& noteName, int32_t offset) const;

    const std::map<String, Element*>& Entries() const { return registry_; }
    const std::vector<Element*>& SoundList() const { return sounds_; }
    const std::vector<Element*>& PlayingList() const { return playing_; }

  private:
    void RaiseEvent(const String& name, int32_t value);

    Instrument& owner_;
    std::map<String, Element*> registry_;
    std::vector<Element*> sounds_;
    std::vector<Element*> playing_;
    int32_t lastKey_ = 0;
    uint32_t modifiers_ = 0;  // bit 0 Shift, bit 1 Control
};

}  // namespace chordlane
