#include "app/EventLog.h"

#include "elements/Element.h"
#include "platform/Clock.h"
#include "platform/Text.h"

namespace chordlane {

EventLog::EventLog(std::function<void(const std::string&)> sink, Clock& clock)
    : sink_(std::move(sink)), clock_(clock), start_(clock.TickCount()) {}

EventLog::EventLog(std::FILE* out, Clock& clock)
    : EventLog(
          [out](const std::string& line) {
              std::fputs(line.c_str(), out);
              std::fputc('\n', out);
          },
          clock) {}

void EventLog::HoldAtZero(bool hold) {
    held_ = hold;
    start_ = clock_.TickCount();
}

void EventLog::Line(const std::string& rest) {
    const uint32_t now = held_ ? 0 : static_cast<uint32_t>(clock_.TickCount() - start_);
    sink_(std::to_string(now) + " " + rest);
}

void EventLog::Stroke(Point from, Point to, int32_t strength, int32_t point) {
    std::string line = "stroke " + std::to_string(from.x) + " " + std::to_string(from.y) + " " +
                       std::to_string(to.x) + " " + std::to_string(to.y) + " " +
                       std::to_string(strength);
    // The stylus's lines stay as they always were; a finger says which one it is.
    if (point != STYLUS_POINT) line += " touch=" + std::to_string(point);
    Line(line);
}

void EventLog::Event(const String& name, bool found) {
    Line("event " + JsonString(name) + (found ? " 1" : " 0"));
}

void EventLog::Pressed(const Element& button, bool pressed) {
    Line(std::string(pressed ? "press " : "release ") + JsonString(button.Name()));
}

void EventLog::Start(const Element& voice, const Element& sound, int32_t shift, int32_t volume,
                     uint32_t level) {
    Line("start " + JsonString(voice.Name()) + " sample=" + JsonString(sound.Name()) +
         " shift=" + std::to_string(shift) + " volume=" + std::to_string(volume) +
         " level=" + std::to_string(level));
}

void EventLog::Stop(const Element& voice) { Line("stop " + JsonString(voice.Name())); }

void EventLog::Done(const Element& voice, const Element* source) {
    Line("done " + JsonString(voice.Name()) +
         " source=" + JsonString(source ? source->Name() : String()));
}

void EventLog::Message(const String& text) {
    // As the message line on standard error: without the line feed that ends the text.
    String shown = text;
    if (!shown.empty() && shown.back() == u'\n') shown.pop_back();
    Line("message " + JsonString(shown));
}

}  // namespace chordlane
