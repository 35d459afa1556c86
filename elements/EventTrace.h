#pragma once
// Observation points: chordlane-tool play's event log, and the MIDI notes (the program's
// MIDI output and a recording's notes follow the voices through one). Without a trace
// nothing is observed.

#include <cstdint>

#include "platform/Types.h"

namespace chordlane {

class Element;

class EventTrace {
  public:
    virtual ~EventTrace() = default;
    //! The stylus handling handed a segment of touch point `point` (0: the stylus) to the
    //! root panel.
    virtual void Stroke(Point from, Point to, int32_t strength, int32_t point) = 0;
    //! A key, hardware-button or init event name was looked up.
    virtual void Event(const String& name, bool found) = 0;
    //! A button's pressed flag changed.
    virtual void Pressed(const Element& button, bool pressed) = 0;
    //! A voice started its channel.
    virtual void Start(const Element& voice, const Element& sound, int32_t shift, int32_t volume,
                       uint32_t level) = 0;
    //! A voice was released.
    virtual void Stop(const Element& voice) = 0;
    //! A channel told its source that the sound ended (source may be null).
    virtual void Done(const Element& voice, const Element* source) = 0;
    //! A message box was shown.
    virtual void Message(const String& text) = 0;
};

}  // namespace chordlane
