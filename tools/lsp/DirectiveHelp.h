#pragma once
// What each directive of an instrument file is written as and what it does, in the words
// an author reads in a completion list or a hover.

#include <span>
#include <string_view>

namespace chordlane::tool {

struct DirectiveHelp {
    std::string_view keyword;   // as it begins a line
    std::string_view synopsis;  // the whole line with its arguments
    std::string_view meaning;
};

//! Every directive, in the order the manual lists them.
std::span<const DirectiveHelp> DirectiveHelps();
//! The help of a keyword ("ge", "{"), or null.
const DirectiveHelp* FindDirectiveHelp(std::u16string_view keyword);

}  // namespace chordlane::tool
