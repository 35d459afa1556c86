#pragma once
// What the file watchers share: the watched files as last seen, and when a burst of changes
// has settled. A change is told once the files have been quiet for a while, or, while they
// keep changing (an editor saving on every key), after a longest wait, so the instrument
// still follows within a fraction of a second.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace chordlane {

// An instrument may read far more files than a system lets one program watch (inotify's
// watches are few): past this many, the files read last (its later wave files) are not.
inline constexpr size_t MAX_WATCHED_FILES = 1024;

struct SettleTimes {
    uint32_t quietMs = 40;     // no change for this long ends a burst
    uint32_t longestMs = 200;  // a burst still going on is told after this long
};

// How a file looked when last seen; any difference is a change.
struct FileStamp {
    bool exists = false;
    int64_t size = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;
    uint64_t device = 0;
    uint64_t inode = 0;  // a file renamed over the watched one has another
    bool operator==(const FileStamp&) const = default;
};

//! The file at path (UTF-8) as it looks now.
FileStamp StampOf(const std::string& path);

class WatchedFiles {
  public:
    explicit WatchedFiles(SettleTimes times = {}) : times_(times) {}

    //! Watches paths (the first MAX_WATCHED_FILES of them) from now on, as they look now; a
    //! pending burst is forgotten.
    void Set(const std::vector<String>& paths);
    //! The watched files, UTF-8, each once.
    const std::vector<std::string>& Paths() const { return paths_; }
    //! The folders that hold them, each once: a file renamed over a watched one shows there.
    std::vector<std::string> Folders() const;

    //! Looks at every watched file again; answers those that look different (and remembers
    //! how they look now).
    std::vector<std::string> Rescan();
    //! A change was seen at now (milliseconds of any steady clock).
    void NoteChange(uint32_t now);
    //! Whether a burst is pending and has settled at now; answering true ends it.
    bool TakeSettled(uint32_t now);
    //! How long until the pending burst settles, or nothing when none is pending.
    std::optional<uint32_t> UntilSettled(uint32_t now) const;

  private:
    SettleTimes times_;
    std::vector<std::string> paths_;
    std::vector<FileStamp> stamps_;
    bool pending_ = false;
    uint32_t firstChange_ = 0;
    uint32_t lastChange_ = 0;
};

}  // namespace chordlane
