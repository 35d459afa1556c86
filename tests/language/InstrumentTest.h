#pragma once
// Loading small instrument texts through the Open flow and looking at what they built.

#include <ostream>
#include <string>
#include <vector>

#include "app/MessageBoxReporter.h"
#include "app/OpenFlow.h"
#include "elements/GroupElement.h"
#include "elements/PanelElement.h"
#include "elements/SoundElement.h"
#include "language/Parser.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane {
inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}
}  // namespace chordlane

namespace chordlane::test {

// Every report of the loader as "NAME:LINE: TEXT", NAME the file's last path component.
class RecordingListener : public ParseListener {
  public:
    void SkippedLine(const String& file, int32_t line, const String& reason) override {
        Add(file, line, ToUtf8(reason));
    }
    void MissingInclude(const String& file, int32_t line, const String& name) override {
        Add(file, line, "missing include " + ToUtf8(name));
    }
    void FileNotLoaded(const String& file, int32_t line, const String& what, const String& name,
                       const String& reason) override {
        Add(file, line,
            ToUtf8(what) + " not loaded " + ToUtf8(name) +
                (reason.empty() ? std::string() : ": " + ToUtf8(reason)));
    }
    void IndentedDirective(const String& file, int32_t line, const String& directive) override {
        Add(file, line, "indented " + ToUtf8(directive));
    }

    std::vector<std::string> reports;

  private:
    void Add(const String& file, int32_t line, const std::string& text) {
        const String name = file.substr(file.find_last_of(u"/\\") + 1);
        reports.push_back(ToUtf8(name) + ":" + std::to_string(line) + ": " + text);
    }
};

class InstrumentTest : public ChordlaneTest {
  public:
    //! The members of a group or panel.
    static std::vector<Element*> Members(Element& container) {
        if (auto* panel = dynamic_cast<PanelElement*>(&container)) return panel->Group().Members();
        if (auto* group = dynamic_cast<GroupElement*>(&container)) return group->Members();
        return {};
    }

  protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        UsePortraitScreen();
        instrument_.load.homeFolder = TempFolder() + u"home/";
        instrument_.load.programFolder = TempFolder() + u"program/";
    }

    //! Writes "cl1.0", a line feed and body to relative; answers the path.
    String WriteInstrument(const std::string& relative, const std::string& body) {
        return FromUtf8(WriteFile(relative, "cl1.0\n" + body).string());
    }
    //! Writes body as "main.clx" and opens it through the Open flow.
    OpenResult Load(const std::string& body) { return Open(WriteInstrument("main.clx", body)); }
    OpenResult Open(const String& path) { return OpenInstrument(instrument_, path, &listener_); }

    PanelElement& Root() { return *instrument_.root; }
    //! The first element of that name in tree order, or null.
    Element* Find(std::u16string_view name, Element* in = nullptr) {
        if (!in && !instrument_.root) return nullptr;
        for (Element* member : Members(in ? *in : Root())) {
            if (member->Name() == name) return member;
            if (Element* hit = Find(name, member)) return hit;
        }
        return nullptr;
    }
    //! "ClassName name" of each member.
    static std::vector<std::string> Describe(Element& container) {
        std::vector<std::string> out;
        for (Element* member : Members(container))
            out.push_back(std::string(member->ClassName()) + " " + ToUtf8(member->Name()));
        return out;
    }
    //! The file names of the root's sound elements, in order.
    std::vector<std::string> SoundFiles() {
        std::vector<std::string> files;
        for (Element* e : Members(Root())) {
            if (auto* sound = dynamic_cast<SoundElement*>(e))
                files.push_back(ToUtf8(sound->FileName()));
        }
        return files;
    }

    RecordingListener listener_;
    // Shows the messages meant for the user, as the program does.
    MessageBoxReporter reporter_{instrument_};
};

inline Rect RectOf(const Element* element) {
    auto* visual = dynamic_cast<const VisualElement*>(element);
    return visual && visual->Bounds() ? *visual->Bounds() : Rect{-1, -1, -1, -1};
}

}  // namespace chordlane::test
