#pragma once
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QTimer>
#include <functional>

#include "platform/FileWatcher.h"
#include "platform/std/WatchedFiles.h"

namespace chordlane {

// The file watcher over QFileSystemWatcher (inotify on Linux), settled by a timer on the
// user-interface thread. QFileSystemWatcher stops watching a path whose file was replaced
// by a rename (as most editors save) or deleted, so the folders are watched as well, and a
// file that is back is watched again.
class QtFileWatcher : public FileWatcher {
  public:
    explicit QtFileWatcher(SettleTimes times = {});
    ~QtFileWatcher() override;

    void Watch(const std::vector<String>& paths) override;
    void SetChangeHandler(std::function<void()> changed) override { changed_ = std::move(changed); }

    //! The paths QFileSystemWatcher watches now, files and folders (for tests).
    QStringList WatchedNow() const;

  private:
    void OnFileChanged();
    void OnFolderChanged();
    //! Watches again the files that changed (a file renamed over a watched one is another
    //! file, which the watcher does not follow) and every watched file that exists but has
    //! dropped out of the watcher.
    void RewatchFiles(const std::vector<std::string>& changed);
    void Settle();
    uint32_t Now() const { return static_cast<uint32_t>(clock_.elapsed()); }

    WatchedFiles files_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    QElapsedTimer clock_;
    std::function<void()> changed_;
};

}  // namespace chordlane
