#pragma once
// The instrument file parser: reads the directive lines of one file (and its blocks and
// included files), checks each against what its kind needs, and hands it to a builder.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "language/DirectiveListener.h"
#include "language/LoadState.h"
#include "platform/Types.h"

namespace chordlane {

class AnswerLink;
class Parser;
class TextReader;

// A line read holds at most 511 characters and the terminator.
inline constexpr int LINE_BUFFER_SIZE = 512;
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
    Parser* parser = nullptr;      // the load this level belongs to
    TextReader* reader = nullptr;  // shared by a file and its blocks
    String fileName;           // where the file was found; its neighbours are searched beside it
    char16_t* line = nullptr;  // LINE_BUFFER_SIZE characters, shared by a file and its blocks
    int32_t designWidth = 0;   // set by 'd'; 0 stands for the screen's
    int32_t designHeight = 0;
    AnswerLink* answers = nullptr;  // the including files, innermost first
    LineCounter* lines = nullptr;   // shared by a file and its blocks
    int32_t depth = 0;              // blocks and files open around this level
    int32_t includeDepth = 0;       // files open around this file
    String openPanel;               // the panel this level's last '[' opened, unless closed
    int32_t openPanelLine = 0;      // the line of that '['; 0 when this level has none open
};

//! Reads lines until the end of input, a '}' line or an aborted load, telling the parser's
//! builder what they say. The reader stays open; whoever created it destroys it.
void ParseLines(ParseContext context);

// The bounds one load meets (the defaults above; tests lower them).
struct ParseLimits {
    int32_t maxNesting = MAX_NESTING;
    int32_t maxIncludeDepth = MAX_INCLUDE_DEPTH;
    int32_t maxIncludedFiles = MAX_INCLUDED_FILES;
    int64_t maxLoadLines = MAX_LOAD_LINES;
};

// What the load counts as it goes.
struct ParseState {
    int32_t filesIncluded = 0;
    int64_t linesRead = 0;
};

// One load of instrument text: the files it includes and the lines it has read against its
// limits. It builds nothing itself: each directive, block, panel and file goes to the
// builder as it is read, and every problem of the text to the load's listeners, with its
// file and line.
class Parser {
  public:
    //! load and builder must outlive the parser.
    Parser(LoadState& load, DirectiveListener& builder, ParseLimits limits = {});
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    //! Reads the file at path as the top level: searched from the home folder, designed for
    //! the screen size. Answers whether the file was found; "!" is the built-in instrument.
    bool ParseFile(const String& path);
    //! Reads UTF-8 text as the lines of a file called fileName (no header line: the first
    //! line is line 1).
    void ParseString(std::string_view text, const String& fileName);

    LoadState& Load() const { return load_; }
    DirectiveListener& Builder() const { return builder_; }
    const ParseLimits& Limits() const { return limits_; }
    ParseState& State() { return state_; }

  private:
    ParseContext TopLevel();

    LoadState& load_;
    DirectiveListener& builder_;
    ParseLimits limits_;
    ParseState state_;
};

}  // namespace chordlane
