#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace chordlane {

// Files held in memory, for fuzzing and for tests that must not touch the disk. Paths
// behave as on the real file system: '\' and '/' both separate folders (repeated separators
// count as one), where a name does not exist exactly each folder level takes the one entry
// that matches ignoring case, and folders never open as files. A folder exists when a file
// lies below it or it was added with AddFolder.
class MemoryFileSystem : public FileSystem {
  public:
    using Bytes = std::vector<uint8_t>;

    //! Adds (or replaces) the file at path.
    void Add(std::u16string_view path, Bytes bytes);
    void Add(std::u16string_view path, std::string_view bytes);
    //! Adds an empty folder.
    void AddFolder(std::u16string_view path);
    //! Forgets every file and folder.
    void Clear();
    //! The bytes of the file the path opens, or nothing.
    std::optional<Bytes> Contents(std::u16string_view path) const;
    size_t FileCount() const { return files_.size(); }

    //! Opens the file at path; Write creates it (its folder must exist) or empties it.
    std::unique_ptr<File> Open(const String& path, FileMode mode) override;
    //! Its folder must exist, as for Write; the bytes then replace the file at once.
    std::string ReplaceWhole(const String& path, std::string_view bytes) override;

  private:
    //! The stored key for path: separators as '/', repeated ones collapsed.
    static String Normalise(std::u16string_view path);
    //! The stored key path resolves to, level by level; nothing when a level is missing or
    //! ambiguous. With leafMayBeMissing a last level that matches nothing keeps its name.
    std::optional<String> Resolve(const String& key, bool leafMayBeMissing) const;
    bool IsFolder(const String& key) const;
    bool Exists(const String& key) const { return files_.count(key) || IsFolder(key); }

    std::map<String, std::shared_ptr<Bytes>> files_;
    std::map<String, bool> folders_;  // added explicitly, each with a trailing '/'
};

}  // namespace chordlane
