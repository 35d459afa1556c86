#pragma once
// The instrument-wide registry from names to elements, the sound list and the playing list,
// key and hardware-button event names, init events, and FindSound.

#include <cstdint>
#include <map>
#include <vector>

#include "platform/Types.h"

namespace chordlane {

class Element;
class Sample;

void Register(const String& name, Element* element);
//! The entry stays, so an element once active can still be found by name.
void Unregister(const String& name);
//! The element of that name or, when there is none and the name starts with a capital
//! letter, the element of the name without it; null when neither is registered.
Element* Lookup(const String& name);

//! Empties registry and lists and the parse state, deleting nothing.
void ClearRegistry();
//! Empties registry and lists, returns the panel counter to 0, empties the current path and
//! the answers log, and deletes every member of the root panel.
void ResetInstrument();

void StartPlaying(Element* voice);
void StopPlaying(Element* voice);
//! Releases playing elements (all when key is 0; else the first whose name ends in key),
//! sparing one.
void ReleaseOthers(char16_t key, Element* spare);

void OnKeyDown(uint32_t keyCode);
void OnKeyUp(uint32_t keyCode);
//! The key state as at program start (no last key, no modifier held).
void ResetKeyState();
void FireInitEvent(int32_t panelNumber);

//! The sample a note name names ("gtr", "gtr+12", "gtr-E2"), offset by offset
//! semitones unless that is NO_VALUE; null when no active sound element has it.
Sample* FindSound(const String& noteName, int32_t offset);

const std::map<String, Element*>& Registry();
const std::vector<Element*>& SoundList();
const std::vector<Element*>& PlayingList();

// Instrument-wide parse state that the registry resets with the instrument.
struct ParseState {
    int32_t panelCounter = 0;
    int32_t currentPanelNumber = 0;
    // What this load has read so far, against the bounds of one load (Parser.h).
    int32_t filesIncluded = 0;
    int64_t linesRead = 0;
};
ParseState& CurrentParseState();

}  // namespace chordlane
