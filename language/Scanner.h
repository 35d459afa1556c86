#pragma once
// The token scanner that takes an instrument line apart.
//
// Every function works on a writable, zero-terminated line buffer and an index into it,
// and moves the index past what it consumed. Tokens are cut out in place: the character
// that ends a token is overwritten by a terminator, so a token is a pointer into the line
// that stays valid as long as the line. The separators are space, tab, carriage return and
// line feed. Positions stay within the line as long as they start within it; TextReader
// fills the rest of the buffer with terminators, so a directive's arguments that start one
// past the end of a short line find nothing, not what an earlier line left there.

#include <cstdint>
#include <memory>

#include "platform/Types.h"

namespace chordlane {

bool IsTokenSeparator(char16_t c);

//! Removes trailing carriage returns and line feeds; answers the remaining length.
int StripLineEnd(char16_t* line);

//! The next character after separators, leaving the position on it (not consumed); 0 at
//! the end of the line, the position then unchanged.
char16_t PeekChar(const char16_t* line, int& pos);

//! The next token, or null at the end of the line. A token that starts with '"' or '\''
//! runs to the next same quote character, searched from the second character after the
//! opening quote (the first always belongs to the token); without one it runs to the end
//! of the line. Other tokens run to the next separator. There are no escapes.
char16_t* NextToken(char16_t* line, int& pos);

//! The next token as an integer: "0x"/"0X" then hexadecimal digits, a leading '0' octal,
//! else decimal with an optional sign. Reading stops at the first character that is not
//! a digit (no digits: 0). Out of range values saturate to INT32_MAX or INT32_MIN, as a
//! 32-bit C library conversion does. NO_VALUE when there is no token.
int32_t NextInt(char16_t* line, int& pos);

//! The next token's leading decimal number (sign, digits, fraction, exponent), read in
//! double precision and rounded to single; 0 when the token holds no number, NO_REAL when
//! there is no token.
float NextReal(char16_t* line, int& pos);

//! Four integers x, y, w, h as the rectangle {x, y, x + w, y + h} (32-bit wrapping sums);
//! null when any of them is NO_VALUE (the tokens read stay consumed).
std::unique_ptr<Rect> NextRect(char16_t* line, int& pos);

}  // namespace chordlane
