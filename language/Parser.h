#pragma once
// The instrument file parser: reads the directive lines of one file (and its blocks) and
// builds the elements they describe, adding each to the innermost open group, the open
// panel or the root panel.

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/Types.h"

namespace chordlane {

class AnswerLink;
class Element;
class GroupElement;
class PanelElement;
class TextReader;

// A line read holds at most 511 characters and the terminator.
inline constexpr int LINE_BUFFER_SIZE = 512;
// The name buffer holds 255 characters and the terminator.
inline constexpr size_t MAX_QUALIFIED_NAME = 255;
// Blocks and included files of one load, nested together. Each level costs a little stack,
// so a file of nothing but '{' lines must not be able to exhaust it.
inline constexpr int32_t MAX_NESTING = 256;
// A file that includes itself would otherwise be read again without end.
inline constexpr int32_t MAX_INCLUDE_DEPTH = 32;
// Bounds of one load, whatever its files. The depth bound alone does not bound the work: a
// file that includes itself (or the next file) twice doubles it at every level. And every
// line can build an element, so the lines bound the memory an instrument can take.
inline constexpr int32_t MAX_INCLUDED_FILES = 256;
inline constexpr int64_t MAX_LOAD_LINES = 50000;

// Learns what the loader skipped or could not find, with the file (its name as the loader
// used it) and the physical line (a file's header is line 1). The program ignores all of it;
// chordlane-tool check prints it.
class ParseListener {
  public:
    virtual ~ParseListener() = default;
    //! A directive line was skipped; reason names the missing or malformed argument.
    virtual void SkippedLine(const String& file, int32_t line, const String& reason);
    //! The file an include line names cannot be found by the file search.
    virtual void MissingInclude(const String& file, int32_t line, const String& name);
    //! A wave file or picture of an element built from this line cannot be loaded.
    virtual void FileNotLoaded(const String& file, int32_t line, const String& what,
                               const String& name);
    //! A line starting with blanks and then a directive character: ignored, rarely meant.
    virtual void IndentedDirective(const String& file, int32_t line, const String& directive);
    //! An element was built from this line and added to the instrument.
    virtual void ElementBuilt(Element& element, PanelElement* panel, const String& file,
                              int32_t line);
};

//! The listener that ignores everything.
ParseListener& SilentListener();

// Numbers the physical lines of one file as its chunks are read. A line longer than the
// buffer arrives in several chunks that all belong to the same physical line.
class LineCounter {
  public:
    explicit LineCounter(int32_t first) : next_(first) {}
    //! The number of the line the chunk (terminated, line end not yet stripped) belongs to.
    int32_t Take(const char16_t* chunk);

  private:
    int32_t next_;
};

// One parse level: a file, or a block inside a file. Passed by value to the levels it
// starts, so that nothing a nested level changes flows back to its caller.
struct ParseContext {
    PanelElement* panel = nullptr;      // opened by the last '[' of this level
    GroupElement* container = nullptr;  // the group whose block is being parsed
    TextReader* reader = nullptr;       // shared by a file and its blocks
    String fileName;           // where the file was found; its neighbours are searched beside it
    char16_t* line = nullptr;  // LINE_BUFFER_SIZE characters, shared by a file and its blocks
    int32_t designWidth = 0;
    int32_t designHeight = 0;
    AnswerLink* answers = nullptr;      // the including files, innermost first
    ParseListener* listener = nullptr;  // null: nothing is reported
    LineCounter* lines = nullptr;       // shared by a file and its blocks
    int32_t depth = 0;                  // blocks and files open around this level
    int32_t includeDepth = 0;           // files open around this file
};

//! Reads lines until the end of input, a '}' line or an aborted load, building elements.
//! The reader stays open; whoever created it destroys it.
void ParseLines(ParseContext context);

//! The name with the prefix of the open panel (none when it begins with '!', which is
//! dropped), then the suffix; at most MAX_QUALIFIED_NAME characters.
String QualifyName(std::u16string_view name, std::u16string_view suffix = {});

//! Scales rect from the design size to the screen (a design size of 0 is the screen's) and,
//! with a panel, moves it into the panel's bounds and clips it to them.
void PlaceRect(Rect& rect, const PanelElement* panel, int32_t designWidth, int32_t designHeight);

}  // namespace chordlane
