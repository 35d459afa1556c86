#include "tools/EventLog.h"

#include "elements/Element.h"
#include "platform/Clock.h"
#include "tools/ToolLoad.h"

namespace chordlane::tool {

EventLog::EventLog(std::FILE* out, Clock& clock)
    : out_(out), clock_(clock), start_(clock.TickCount()) {}

unsigned EventLog::Now() const { return static_cast<unsigned>(clock_.TickCount() - start_); }

void EventLog::Stroke(Point from, Point to, int32_t strength, int32_t point) {
    std::fprintf(out_, "%u stroke %d %d %d %d %d", Now(), static_cast<int>(from.x),
                 static_cast<int>(from.y), static_cast<int>(to.x), static_cast<int>(to.y),
                 static_cast<int>(strength));
    // The stylus's lines stay as they always were; a finger says which one it is.
    if (point != STYLUS_POINT) std::fprintf(out_, " touch=%d", static_cast<int>(point));
    std::fputc('\n', out_);
}

void EventLog::Event(const String& name, bool found) {
    std::fprintf(out_, "%u event %s %d\n", Now(), JsonString(name).c_str(), found ? 1 : 0);
}

void EventLog::Pressed(const Element& button, bool pressed) {
    std::fprintf(out_, "%u %s %s\n", Now(), pressed ? "press" : "release",
                 JsonString(button.Name()).c_str());
}

void EventLog::Start(const Element& voice, const Element& sound, int32_t shift, int32_t volume,
                     uint32_t level) {
    std::fprintf(out_, "%u start %s sample=%s shift=%d volume=%d level=%u\n", Now(),
                 JsonString(voice.Name()).c_str(), JsonString(sound.Name()).c_str(),
                 static_cast<int>(shift), static_cast<int>(volume), static_cast<unsigned>(level));
}

void EventLog::Stop(const Element& voice) {
    std::fprintf(out_, "%u stop %s\n", Now(), JsonString(voice.Name()).c_str());
}

void EventLog::Done(const Element& voice, const Element* source) {
    std::fprintf(out_, "%u done %s source=%s\n", Now(), JsonString(voice.Name()).c_str(),
                 JsonString(source ? source->Name() : String()).c_str());
}

void EventLog::Message(const String& text) {
    // As the message line on standard error: without the line feed that ends the text.
    String shown = text;
    if (!shown.empty() && shown.back() == u'\n') shown.pop_back();
    std::fprintf(out_, "%u message %s\n", Now(), JsonString(shown).c_str());
}

}  // namespace chordlane::tool
