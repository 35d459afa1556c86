#pragma once
// Picture files: a 24-bit bitmap for the program's pictures and a PNG for the desktop icon.

#include <cstdint>
#include <vector>

#include "tools/soundgen/Canvas.h"

namespace chordlane::soundgen {

//! An uncompressed 24-bit bottom-up bitmap file; alpha is dropped.
std::vector<uint8_t> EncodeBmp(const Canvas& canvas);

//! An 8-bit RGBA PNG file. Its zlib stream uses stored blocks only, which every reader
//! accepts and which needs no compressor.
std::vector<uint8_t> EncodePng(const Canvas& canvas);

}  // namespace chordlane::soundgen
