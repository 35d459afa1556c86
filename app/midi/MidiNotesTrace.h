#pragma once
// Feeds a MidiNoteTracker from an instrument's voices: installed as the instrument's event
// trace, it passes every voice start, release and sound end to the tracker with the clock's
// time, and every observation on to the trace it stands in front of (chordlane-tool play's
// event log), if any.

#include "elements/EventTrace.h"

namespace chordlane {

class Clock;
class MidiNoteTracker;

class MidiNotesTrace : public EventTrace {
  public:
    //! tracker, clock and next (may be null) are not owned and must outlive this.
    MidiNotesTrace(MidiNoteTracker& tracker, Clock& clock, EventTrace* next = nullptr);

    void Stroke(Point from, Point to, int32_t strength, int32_t point) override;
    void Event(const String& name, bool found) override;
    void Pressed(const Element& button, bool pressed) override;
    void Start(const Element& voice, const Element& sound, int32_t shift, int32_t volume,
               uint32_t level) override;
    void Stop(const Element& voice) override;
    void Done(const Element& voice, const Element* source) override;
    void Message(const String& text) override;

  private:
    MidiNoteTracker& tracker_;
    Clock& clock_;
    EventTrace* next_;
};

}  // namespace chordlane
