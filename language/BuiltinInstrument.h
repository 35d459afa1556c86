#pragma once
// The built-in instrument, included by the name "!": packed text held in the program,
// generated at build time from instruments/guitar.clx.

#include <cstdint>
#include <span>

namespace chordlane {

//! The packed codes of the built-in instrument, from the first byte a reader reads.
std::span<const uint8_t> BuiltinInstrument();

}  // namespace chordlane
