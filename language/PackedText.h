#pragma once
// The packed text coding shared by the readers and the packer. Each character is one or
// more 4-bit codes: codes 0 to 13 stand for the characters of the table, 14 introduces an
// 8-bit character in two codes, 15 a 16-bit character in four codes, low half first.

#include <array>

namespace chordlane {

inline constexpr int PACKED_TABLE_SIZE = 14;
inline constexpr int PACKED_CODE_BYTE = 14;
inline constexpr int PACKED_CODE_WIDE = 15;

inline constexpr std::array<char16_t, PACKED_TABLE_SIZE> PACKED_TABLE = {
    u' ', u'\n', u'.', u'=', u'a', u'b', u'e', u'i', u'r', u's', u'v', u'0', u'1', u'9'};

}  // namespace chordlane
