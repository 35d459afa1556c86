#pragma once
#include "platform/SettingsStore.h"

namespace chordlane::web {

// The settings store in the browser's local storage, one entry per value, named
// "chordlane:ROOT\KEY\PATH\NAME" (case as written; key paths compare without case, as the
// desktop's do, by being stored in lower case). Strings are kept as "s" and the text, numbers
// as "n" and decimal digits, so a value read back has the type it was written with.
class WebSettingsStore : public SettingsStore {
  public:
    std::unique_ptr<SettingsKey> CreateKey(SettingsRoot root, const String& path) override;
};

}  // namespace chordlane::web
