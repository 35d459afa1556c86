#pragma once
// The event log of an instrument being played: one line per event, "T KIND ...", T the
// milliseconds of the clock since the log began, names and texts as JSON strings. chordlane-tool
// play prints it; the web page keeps it for its tests, so the two can be compared line by line.

#include <cstdio>
#include <functional>
#include <string>

#include "elements/EventTrace.h"

namespace chordlane {

class Clock;

class EventLog : public EventTrace {
  public:
    //! Each line, without its line feed, goes to sink; T counts from the clock's tick count now.
    EventLog(std::function<void(const std::string&)> sink, Clock& clock);
    //! Writes the lines to out.
    EventLog(std::FILE* out, Clock& clock);

    void Stroke(Point from, Point to, int32_t strength, int32_t point) override;
    void Event(const String& name, bool found) override;
    void Pressed(const Element& button, bool pressed) override;
    void Start(const Element& voice, const Element& sound, int32_t shift, int32_t volume,
               uint32_t level) override;
    void Stop(const Element& voice) override;
    void Done(const Element& voice, const Element* source) override;
    void Message(const String& text) override;

    //! While held, every line is at time 0 and the log's time starts again when it is let go:
    //! a load that takes real time happens at 0, as on chordlane-tool's virtual clock.
    void HoldAtZero(bool hold);

  private:
    //! The line with the time in front.
    void Line(const std::string& rest);

    std::function<void(const std::string&)> sink_;
    Clock& clock_;
    uint32_t start_;
    bool held_ = false;
};

}  // namespace chordlane
