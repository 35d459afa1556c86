#include "language/LoadState.h"

namespace chordlane {

void LoadState::NoteUsedFile(const String& resolved, const String& openedBy) {
    const String& path = resolved.empty() ? openedBy : resolved;
    if (usedFileSet_.insert(path).second) usedFiles_.push_back(path);
}

void LoadState::Forget() {
    currentPath.clear();
    answersLog.clear();
    usedFiles_.clear();
    usedFileSet_.clear();
}

}  // namespace chordlane
