#pragma once
// The application variables "cb" (clear colour), "sp" (strength of key events), "vA"
// (volume offset) and "vM" (volume scale), and the way actions reach the root panel.

#include <cstdint>

#include "platform/Types.h"

namespace chordlane {

//! True exactly for "cb", "vA" and "vM": the variables an action can read ("sp" is only
//! written).
bool IsAppVariable(const String& name);
//! The value of "cb", "vA" or "vM"; 0 for any other name.
int32_t GetAppVariable(const String& name);
//! Sets "cb", "sp", "vA" or "vM"; setting "vM" also writes the system volume. Any other
//! name goes to the root panel's SetInt, which reaches every element.
void SetAppVariable(const String& name, int32_t value);
//! SetString of the root panel, for a string action without a target.
void ForwardToRoot(const String& property, const String& text);

//! The system volume for a volume scale: (vM + 40) * 0x1111111 in 32-bit unsigned arithmetic.
uint32_t SystemVolumeFor(int32_t volumeScale);

}  // namespace chordlane
