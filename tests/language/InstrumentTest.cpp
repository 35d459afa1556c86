#include "tests/language/InstrumentTest.h"

#include "elements/GroupElement.h"
#include "sound/SoundElement.h"

namespace chordlane::test {

namespace {

void Add(std::vector<std::string>& reports, const String& file, int32_t line,
         const std::string& text) {
    const String name = file.substr(file.find_last_of(u"/\\") + 1);
    reports.push_back(ToUtf8(name) + ":" + std::to_string(line) + ": " + text);
}

Element* FindIn(Element& container, std::u16string_view name) {
    for (Element* member : InstrumentTest::Members(container)) {
        if (member->Name() == name) return member;
        if (Element* hit = FindIn(*member, name)) return hit;
    }
    return nullptr;
}

}  // namespace

void RecordingListener::SkippedLine(const String& file, int32_t line, const String& reason) {
    Add(reports, file, line, ToUtf8(reason));
}
void RecordingListener::MissingInclude(const String& file, int32_t line, const String& name) {
    Add(reports, file, line, "missing include " + ToUtf8(name));
}
void RecordingListener::FileNotLoaded(const String& file, int32_t line, const String& what,
                                      const String& name) {
    Add(reports, file, line, ToUtf8(what) + " not loaded " + ToUtf8(name));
}
void RecordingListener::IndentedDirective(const String& file, int32_t line,
                                          const String& directive) {
    Add(reports, file, line, "indented " + ToUtf8(directive));
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

Element* InstrumentTest::Find(std::u16string_view name) const {
    return App().root ? FindIn(*App().root, name) : nullptr;
}

std::vector<Element*> InstrumentTest::Members(Element& container) {
    if (auto* panel = dynamic_cast<PanelElement*>(&container)) return panel->Group().Members();
    if (auto* group = dynamic_cast<GroupElement*>(&container)) return group->Members();
    return {};
}

std::vector<std::string> InstrumentTest::Describe(Element& container) {
    std::vector<std::string> out;
    for (Element* member : Members(container)) {
        out.push_back(std::string(member->ClassName()) + " " + ToUtf8(member->Name()));
    }
    return out;
}

std::vector<std::string> InstrumentTest::SoundFiles() {
    std::vector<std::string> files;
    for (Element* e : Members(Root())) {
        if (auto* sound = dynamic_cast<SoundElement*>(e)) files.push_back(ToUtf8(sound->FileName()));
    }
    return files;
}

Rect RectOf(const Element* element) {
    auto* visual = dynamic_cast<const VisualElement*>(element);
    return visual && visual->Bounds() ? *visual->Bounds() : Rect{-1, -1, -1, -1};
}

}  // namespace chordlane::test
