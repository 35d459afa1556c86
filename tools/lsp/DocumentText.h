#pragma once
// An instrument file's text as an editor holds it, taken apart the way the parser reads a
// line: the directive, the NAME a line declares, an action's target, a property and its
// value. Columns count UTF-16 code units, as editors count them; lines count from 0, the
// header being line 0.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/Types.h"

namespace chordlane::tool {

class DocumentText {
  public:
    //! Keeps the lines the loader reads at most (MAX_LOAD_LINES and the header); those
    //! beyond read as empty.
    explicit DocumentText(std::string_view utf8);

    // What a word of a directive line stands for.
    enum class Role {
        Directive,  // the directive itself ("ge", "=s", "{")
        Declared,   // the NAME of a line that builds an element named so
        Reference,  // a name the line uses: the NAME of '<' and '>', the TARGET of '='
        Property,   // PROP of '='
        Value,      // the VALUE of '=': a name when PROP is na, nb, ng or ns
        Other,      // numbers, files, texts
    };

    struct Word {
        String text;  // without its quotes
        int32_t start = 0;
        int32_t end = 0;  // one past its last column
        Role role = Role::Other;
        String property;  // the PROP of the line, for a Value
    };

    // What may be typed at a position.
    enum class Expected {
        Nothing,
        Directive,  // the line's first word
        Name,       // an element's name
        SoundName,  // a sound's name or a note name
    };

    struct Completion {
        Expected expected = Expected::Nothing;
        int32_t start = 0;  // where the word being typed starts
    };

    int32_t LineCount() const { return static_cast<int32_t>(lines_.size()); }
    //! The line without its line end; empty past the last line.
    const String& Line(int32_t line) const;
    //! The words of a directive line; none for the header, comments and indented lines.
    std::vector<Word> Words(int32_t line) const;
    //! The word the column lies in or touches at its end; nothing between words.
    std::optional<Word> WordAt(int32_t line, int32_t column) const;
    //! What is expected where the cursor stands.
    Completion CompletionAt(int32_t line, int32_t column) const;

  private:
    std::vector<String> lines_;
};

}  // namespace chordlane::tool
