#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/Types.h"

namespace chordlane {

// Turns text into packed codes, two to a byte, low half first. Fed character by character
// so that large inputs can be written out as they are packed.
class Packer {
  public:
    void Add(char16_t c);
    void Add(std::u16string_view text);
    //! The complete bytes packed so far; they are handed over and forgotten here.
    std::vector<uint8_t> TakeBytes();
    //! Pads an odd number of codes with code 15 and hands over the remaining bytes.
    std::vector<uint8_t> Finish();

  private:
    void AddCode(int code);

    std::vector<uint8_t> bytes_;
    int pendingCode_ = -1;  // a low half still waiting for its high half
};

//! The packed codes of text, padded to whole bytes (no header line).
std::vector<uint8_t> PackText(std::u16string_view text);

//! A packed file: the header line "CL" and a line feed, then the codes of text.
std::vector<uint8_t> PackFile(std::u16string_view text);

// What a plain instrument file delivers to the parser.
struct PlainBody {
    bool packed = false;  // the header line begins with "CL": the file is packed already
    String text;          // everything after the header line
};

//! Splits a plain file's decoded text as the reader does: a byte-order mark is skipped and
//! the first line (at most 511 characters, up to and including its line feed) is the header.
PlainBody SplitPlainFile(std::u16string_view fileText);

}  // namespace chordlane
