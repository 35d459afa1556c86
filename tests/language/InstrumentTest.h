#pragma once
// Loading small instrument texts through the Open flow and looking at what they built.

#include <ostream>
#include <string>
#include <vector>

#include "app/OpenFlow.h"
#include "elements/PanelElement.h"
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
    void SkippedLine(const String& file, int32_t line, const String& reason) override;
    void MissingInclude(const String& file, int32_t line, const String& name) override;
    void FileNotLoaded(const String& file, int32_t line, const String& what,
                       const String& name) override;
    void IndentedDirective(const String& file, int32_t line, const String& directive) override;

    std::vector<std::string> reports;
};

class InstrumentTest : public ChordlaneTest {
public:
    //! The members of a group or panel.
    static std::vector<Element*> Members(Element& container);

protected:
    void SetUp() override;

    //! Writes "cl1.0", a line feed and body to relative; answers the path.
    String WriteInstrument(const std::string& relative, const std::string& body);
    //! Writes body as "main.clx" and opens it through the Open flow.
    OpenResult Load(const std::string& body) { return Open(WriteInstrument("main.clx", body)); }
    OpenResult Open(const String& path) { return OpenInstrument(path, &listener_); }

    PanelElement& Root() { return *App().root; }
    //! The first element of that name in tree order, or null.
    Element* Find(std::u16string_view name) const;
    //! "ClassName name" of each member.
    static std::vector<std::string> Describe(Element& container);
    //! The file names of the root's sound elements, in order.
    std::vector<std::string> SoundFiles();

    RecordingListener listener_;
};

Rect RectOf(const Element* element);

}  // namespace chordlane::test
