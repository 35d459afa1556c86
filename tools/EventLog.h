#pragma once
// The event log of chordlane-tool play: one line per event, "T KIND ...", T the milliseconds
// of the virtual clock since the script began, names and texts as JSON strings.

#include <cstdio>

#include "elements/EventTrace.h"

namespace chordlane {
class Clock;
}

namespace chordlane::tool {

class EventLog : public EventTrace {
  public:
    //! Writes to out; T counts from the clock's tick count now.
    EventLog(std::FILE* out, Clock& clock);

    void Stroke(Point from, Point to, int32_t strength, int32_t point) override;
    void Event(const String& name, bool found) override;
    void Pressed(const Element& button, bool pressed) override;
    void Start(const Element& voice, const Element& sound, int32_t shift, int32_t volume,
               uint32_t level) override;
    void Stop(const Element& voice) override;
    void Done(const Element& voice, const Element* source) override;
    void Message(const String& text) override;

  private:
    unsigned Now() const;

    std::FILE* out_;
    Clock& clock_;
    uint32_t start_;
};

}  // namespace chordlane::tool
