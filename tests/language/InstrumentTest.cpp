#include "tests/language/InstrumentTest.h"

#include "elements/GroupElement.h"

namespace chordlane::test {

namespace {

String LastComponent(const String& path) {
    const size_t slash = path.find_last_of(u"/\\");
    return slash == String::npos ? path : path.substr(slash + 1);
}

Element* FindIn(Element& container, std::u16string_view name) {
    for (Element* member : InstrumentTest::Members(container)) {
        if (member->Name() == name) return member;
        if (member->GetKind() & (KIND_GROUP | KIND_CONTAINER)) {
            if (Element* hit = FindIn(*member, name)) return hit;
        }
    }
    return nullptr;
}

}  // namespace

void RecordingListener::Add(const String& file, int32_t line, const std::string& text) {
    reports.push_back(Utf8(LastComponent(file)) + ":" + std::to_string(line) + ": " + text);
}

void RecordingListener::SkippedLine(const String& file, int32_t line, const String& reason) {
    Add(file, line, Utf8(reason));
}

void RecordingListener::MissingInclude(const String& file, int32_t line, const String& name) {
    Add(file, line, "missing include " + Utf8(name));
}

void RecordingListener::FileNotLoaded(const String& file, int32_t line, const String& what,
                                      const String& name) {
    Add(file, line, Utf8(what) + " not loaded " + Utf8(name));
}

void RecordingListener::IndentedDirective(const String& file, int32_t line,
                                          const String& directive) {
    Add(file, line, "indented " + Utf8(directive));
}

void InstrumentTest::SetUp() {
    ChordlaneTest::SetUp();
    App().screenWidth = 240;
    App().screenHeight = 320;
    App().screenRect = {0, 0, 239, 319};
    App().homeFolder = TempFolder() + u"home/";
    App().programFolder = TempFolder() + u"program/";
}

String InstrumentTest::WriteInstrument(const std::string& relative, const std::string& body) {
    return FromUtf8(WriteFile(relative, "cl1.0\n" + body).string());
}

OpenResult InstrumentTest::Load(const std::string& body) {
    return Open(WriteInstrument("main.clx", body));
}

OpenResult InstrumentTest::Open(const String& path) { return OpenInstrument(path, &listener_); }

Element* InstrumentTest::Find(std::u16string_view name) const {
    return App().root ? FindIn(*App().root, name) : nullptr;
}

std::vector<Element*> InstrumentTest::Members(Element& container) {
    if (container.GetKind() & KIND_CONTAINER) {
        return static_cast<PanelElement&>(container).Group().Members();
    }
    if (container.GetKind() & KIND_GROUP) return static_cast<GroupElement&>(container).Members();
    return {};
}

std::vector<std::string> InstrumentTest::Describe(Element& container) {
    std::vector<std::string> out;
    for (Element* member : Members(container)) {
        out.push_back(std::string(member->ClassName()) + " " + Utf8(member->Name()));
    }
    return out;
}

std::string Utf8(const String& text) { return ToUtf8(text); }

Rect RectOf(const Element* element) {
    if (!element || !(element->GetKind() & KIND_VISUAL)) return {-1, -1, -1, -1};
    const Rect* bounds = static_cast<const VisualElement*>(element)->Bounds();
    return bounds ? *bounds : Rect{-1, -1, -1, -1};
}

}  // namespace chordlane::test
