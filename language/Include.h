#pragma once
// Included files and file prompts: the include routine every load goes through, file
// arguments that may be asked of the user, the answers a saved instrument carries for
// them, and the platform file dialog shared with Open and Save As.

#include <cstdint>
#include <optional>
#include <string_view>

#include "language/Parser.h"
#include "platform/Types.h"

namespace chordlane {

class LineCounter;
class TextReader;

// A file argument (also an answer) holds 259 characters; longer answers are cut.
inline constexpr size_t MAX_FILE_ARGUMENT = 259;
// The file dialogs hand back names of at most 129 characters; a longer choice does not fit
// their buffer and counts as cancelled, whichever dialog made it.
inline constexpr size_t MAX_CHOSEN_NAME = 129;

// One include in progress made from a file: the including file's reader, asked first for
// the answers of the prompts the included file meets. The links form the answer chain.
class AnswerLink {
  public:
    AnswerLink(TextReader* reader, AnswerLink* enclosing, LineCounter* lines)
        : reader_(reader), enclosing_(enclosing), lines_(lines) {}
    virtual ~AnswerLink() = default;

    TextReader* Reader() const { return reader_; }
    AnswerLink* Enclosing() const { return enclosing_; }
    //! The including file's line numbers, which an answer line read here moves on.
    LineCounter* Lines() const { return lines_; }

  private:
    TextReader* reader_;     // not owned
    AnswerLink* enclosing_;  // not owned
    LineCounter* lines_;     // not owned; may be null
};

//! Parses the file as a level inside the including one, between the builder's BeginFile and
//! EndFile. For the top-level load the including level has no reader, the home folder as its
//! file name and the screen size as its design size. Answers whether the file was found; "!"
//! is the built-in instrument.
bool IncludeFile(const ParseContext& including, std::u16string_view fileName);

// What a file argument gave: a file name, or why there is none.
struct FileArgument {
    enum class Result { File, Missing, MissingFilter, Cancelled, Skipped };
    Result result = Result::Missing;
    String name;
    bool prompted = false;
};

//! Reads a file argument from the line at pos: "[-OPTION] NAME" or "[-OPTION] ?FILTER
//! [TITLE]". A prompt takes the next answer of the chain, else asks the user (unless
//! prompts are being skipped); a cancelled prompt sets the load status.
FileArgument ReadFileArgument(LoadState& load, char16_t* line, int& pos, AnswerLink* answers);

//! Consumes the next answer line of the innermost link that stands at one; nothing when no
//! link gives an answer.
std::optional<String> FindAnswer(AnswerLink* answers);

//! Shows the platform's file dialog; the filter is written "description|pattern|...||". The
//! chosen file, or nothing when the user cancelled or the dialog failed. A save dialog starts
//! in the home folder, an open dialog in startFolder (empty: the platform's choice).
std::optional<String> ChooseFile(const LoadState& load, std::u16string_view title,
                                 std::u16string_view filter, bool open,
                                 const String& startFolder = String());

}  // namespace chordlane
