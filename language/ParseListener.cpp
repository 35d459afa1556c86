#include "language/ParseListener.h"

#include <algorithm>

namespace chordlane {

void ParseListener::SkippedLine(const String&, int32_t, const String&) {}
void ParseListener::MissingInclude(const String&, int32_t, const String&) {}
void ParseListener::FileNotLoaded(const String&, int32_t, const String&, const String&,
                                  const String&) {}
void ParseListener::IndentedDirective(const String&, int32_t, const String&) {}
void ParseListener::UnresolvedName(const String&, int32_t, const String&, const String&) {}
void ParseListener::UnclosedBlock(const String&, int32_t, bool, const String&) {}
void ParseListener::OutsideScreen(const String&, int32_t, const String&, int32_t, int32_t) {}
void ParseListener::ElementBuilt(Element&, PanelElement*, const String&, int32_t) {}
void ParseListener::UserMessage(const String&) {}

void ListenerSet::Add(ParseListener* listener) {
    if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void ListenerSet::Remove(ParseListener* listener) { std::erase(listeners_, listener); }

// A listener may add or remove listeners while it is told something; it is walked as a copy.
void ListenerSet::SkippedLine(const String& file, int32_t line, const String& reason) {
    for (ParseListener* l : std::vector(listeners_)) l->SkippedLine(file, line, reason);
}

void ListenerSet::MissingInclude(const String& file, int32_t line, const String& name) {
    for (ParseListener* l : std::vector(listeners_)) l->MissingInclude(file, line, name);
}

void ListenerSet::FileNotLoaded(const String& file, int32_t line, const String& what,
                                const String& name, const String& reason) {
    for (ParseListener* l : std::vector(listeners_)) {
        l->FileNotLoaded(file, line, what, name, reason);
    }
}

void ListenerSet::IndentedDirective(const String& file, int32_t line, const String& directive) {
    for (ParseListener* l : std::vector(listeners_)) l->IndentedDirective(file, line, directive);
}

void ListenerSet::UnresolvedName(const String& file, int32_t line, const String& name,
                                 const String& closest) {
    for (ParseListener* l : std::vector(listeners_)) l->UnresolvedName(file, line, name, closest);
}

void ListenerSet::UnclosedBlock(const String& file, int32_t line, bool panel, const String& name) {
    for (ParseListener* l : std::vector(listeners_)) l->UnclosedBlock(file, line, panel, name);
}

void ListenerSet::OutsideScreen(const String& file, int32_t line, const String& name,
                                int32_t screenWidth, int32_t screenHeight) {
    for (ParseListener* l : std::vector(listeners_)) {
        l->OutsideScreen(file, line, name, screenWidth, screenHeight);
    }
}

void ListenerSet::ElementBuilt(Element& element, PanelElement* panel, const String& file,
                               int32_t line) {
    for (ParseListener* l : std::vector(listeners_)) l->ElementBuilt(element, panel, file, line);
}

void ListenerSet::UserMessage(const String& text) {
    for (ParseListener* l : std::vector(listeners_)) l->UserMessage(text);
}

}  // namespace chordlane
