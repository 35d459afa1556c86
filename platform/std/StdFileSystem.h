#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace chordlane {

// Files on the real disk through the C library. Turns '\' into '/' and, where the exact
// name does not exist, takes at each folder level the one entry that matches ignoring case.
class StdFileSystem : public FileSystem {
  public:
    std::unique_ptr<File> Open(const String& path, FileMode mode) override;
    std::string ReplaceWhole(const String& path, std::string_view bytes) override;
};

// The native path that names the existing entry for path ('\' turned into '/', each missing
// level matched ignoring case as Open does); empty when there is none or it is ambiguous.
// Loaders that open files by name themselves (pictures) use it to find the same files.
std::string ResolveExistingPath(const String& path);

// Whether two names are equal ignoring the case of ASCII and Latin-1 letters.
bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b);

}  // namespace chordlane
