#pragma once
#include <functional>
#include <vector>

#include "platform/Types.h"

namespace chordlane {

// Tells when files change on disk: written in place, replaced by a file renamed over them,
// deleted, or created where one was missing. An editor's save is a burst (write, truncate,
// rename within milliseconds); the burst is told once, after it settles.
class FileWatcher {
  public:
    virtual ~FileWatcher() = default;
    //! Watches exactly these files from now on; an empty list stops watching.
    virtual void Watch(const std::vector<String>& paths) = 0;
    //! changed runs on the watcher's thread once for every burst of changes, after it settles.
    virtual void SetChangeHandler(std::function<void()> changed) = 0;
};

}  // namespace chordlane
