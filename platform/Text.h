#pragma once
// Conversions between the program's 16-bit text and UTF-8 at its edges (files, command
// lines, the tool's output).

#include <string>
#include <string_view>

#include "platform/Types.h"

namespace chordlane {

// Invalid sequences decode as U+FFFD; characters above U+FFFF become surrogate pairs.
String FromUtf8(std::string_view utf8);
// Unpaired surrogates encode as U+FFFD.
std::string ToUtf8(std::u16string_view text);
// Plain ASCII literal to String, for messages and names built in code.
String Ascii(std::string_view ascii);
// The text as a JSON string: quotes, backslashes and control characters escaped, lone
// surrogates as \uXXXX, everything else UTF-8. Names and file names are quoted so wherever a
// person or a script reads them back.
std::string JsonString(std::u16string_view text);

}  // namespace chordlane
