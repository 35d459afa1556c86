#include "platform/std/WatchedFiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <unordered_set>

#include "platform/Text.h"

namespace chordlane {

namespace {

int64_t Nanoseconds(const timespec& t) {
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + static_cast<int64_t>(t.tv_nsec);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

FileStamp StampOf(const std::string& path) {
    struct stat st {};
    FileStamp stamp;
    if (stat(path.c_str(), &st) != 0) return stamp;
    stamp.exists = true;
    stamp.size = static_cast<int64_t>(st.st_size);
    // Both times: the modification time alone may repeat within one coarse clock tick,
    // and a copy that keeps times keeps it altogether.
    stamp.modifiedNs = Nanoseconds(st.st_mtim);
    stamp.changedNs = Nanoseconds(st.st_ctim);
    stamp.device = static_cast<uint64_t>(st.st_dev);
    stamp.inode = static_cast<uint64_t>(st.st_ino);
    return stamp;
}

void WatchedFiles::Set(const std::vector<String>& paths) {
    paths_.clear();
    stamps_.clear();
    std::unordered_set<std::string> seen;
    for (const String& path : paths) {
        if (paths_.size() == MAX_WATCHED_FILES) break;
        std::string native = ToUtf8(path);
        // The program's own separators: the file system takes '\' as '/' as well.
        std::replace(native.begin(), native.end(), '\\', '/');
        if (native.empty() || !seen.insert(native).second) continue;
        stamps_.push_back(StampOf(native));
        paths_.push_back(std::move(native));
    }
    pending_ = false;
}

std::vector<std::string> WatchedFiles::Folders() const {
    std::vector<std::string> folders;
    std::unordered_set<std::string> seen;
    for (const std::string& path : paths_) {
        std::string folder = FolderOf(path);
        if (seen.insert(folder).second) folders.push_back(std::move(folder));
    }
    return folders;
}

std::vector<std::string> WatchedFiles::Rescan() {
    std::vector<std::string> changed;
    for (size_t i = 0; i < paths_.size(); ++i) {
        const FileStamp now = StampOf(paths_[i]);
        if (now == stamps_[i]) continue;
        stamps_[i] = now;
        changed.push_back(paths_[i]);
    }
    return changed;
}

void WatchedFiles::NoteChange(uint32_t now) {
    if (!pending_) firstChange_ = now;
    pending_ = true;
    lastChange_ = now;
}

std::optional<uint32_t> WatchedFiles::UntilSettled(uint32_t now) const {
    if (!pending_) return std::nullopt;
    // Unsigned differences: the clock may wrap.
    const uint32_t sinceLast = now - lastChange_;
    const uint32_t sinceFirst = now - firstChange_;
    if (sinceLast >= times_.quietMs || sinceFirst >= times_.longestMs) return 0u;
    return std::min(times_.quietMs - sinceLast, times_.longestMs - sinceFirst);
}

bool WatchedFiles::TakeSettled(uint32_t now) {
    const std::optional<uint32_t> left = UntilSettled(now);
    if (!left || *left > 0) return false;
    pending_ = false;
    return true;
}

}  // namespace chordlane
