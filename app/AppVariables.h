#pragma once
// The application variables "cb", "sp", "vA" and "vM", and the forwarding of other names to
// the whole instrument.

#include <cstdint>

#include "platform/Types.h"

namespace chordlane {

bool IsAppVariable(const String& name);
int32_t GetAppVariable(const String& name);
void SetAppVariable(const String& name, int32_t value);
void ForwardToRoot(const String& property, const String& text);

}  // namespace chordlane
