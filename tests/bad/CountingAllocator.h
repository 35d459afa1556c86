#pragma once
// The memory this test program holds through operator new, counted by its own replacement
// of the global allocation functions, so a test can bound what one load takes whatever the
// platform's allocator does.

#include <cstdint>

namespace chordlane::test {

//! Bytes held now.
int64_t HeldBytes();
//! The most bytes held at once since the last ResetPeak.
int64_t PeakBytes();
//! Starts a new peak from what is held now.
void ResetPeak();

}  // namespace chordlane::test
