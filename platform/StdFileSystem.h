#pragma once
#include <memory>

#include "platform/FileSystem.h"

namespace chordlane {

// Files on the real disk through the C library. Turns '\' into '/' and, where the exact
// name does not exist, takes at each folder level the one entry that matches ignoring case.
class StdFileSystem : public FileSystem {
public:
    std::unique_ptr<File> Open(const String& path, FileMode mode) override;
};

}  // namespace chordlane
