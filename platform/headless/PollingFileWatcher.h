#pragma once
#include <functional>

#include "platform/Clock.h"
#include "platform/FileWatcher.h"
#include "platform/std/WatchedFiles.h"

namespace chordlane {

// A file watcher without an event loop, for tests and the tool: it looks at the files when
// asked, and settles bursts on the clock it is given (a virtual one in tests).
class PollingFileWatcher : public FileWatcher {
  public:
    explicit PollingFileWatcher(Clock& clock, SettleTimes times = {})
        : clock_(clock), files_(times) {}

    void Watch(const std::vector<String>& paths) override { files_.Set(paths); }
    void SetChangeHandler(std::function<void()> changed) override { changed_ = std::move(changed); }

    //! Looks at the files now: a change starts or continues a burst, and a burst that has
    //! settled runs the handler. Answers whether it ran.
    bool Poll();
    const std::vector<std::string>& Paths() const { return files_.Paths(); }

  private:
    Clock& clock_;
    WatchedFiles files_;
    std::function<void()> changed_;
};

}  // namespace chordlane
