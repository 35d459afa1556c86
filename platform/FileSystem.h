#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Types.h"

namespace chordlane {

// One open file. Closed when destroyed.
class File {
  public:
    virtual ~File() = default;
    //! Reads up to size bytes; answers how many were read (0 at the end).
    virtual size_t Read(void* buffer, size_t size) = 0;
    //! Writes size bytes; answers how many were written.
    virtual size_t Write(const void* buffer, size_t size) = 0;
    //! Moves to an absolute byte position; answers success.
    virtual bool Seek(int64_t position) = 0;
    //! The file's size in bytes, or -1 when it cannot be told.
    virtual int64_t Size() = 0;
    //! The path of the file actually opened, the same for every name that opens it ("./a",
    //! "A" where only "a" exists, a link to it); empty when it cannot be told.
    virtual String ResolvedPath() const { return {}; }
};

enum class FileMode { Read, Write };

// Opening files by path. Both '\' and '/' separate folders; where a name does not exist
// exactly, each folder level may match one entry ignoring case, so files written on
// case-blind file systems are found. Folders are never opened as files.
class FileSystem {
  public:
    virtual ~FileSystem() = default;
    //! Opens the file at path (Write creates or empties it); null when it cannot be opened.
    virtual std::unique_ptr<File> Open(const String& path, FileMode mode) = 0;
    //! Puts bytes at path as a whole: written beside it first and then put in its place, so
    //! a failure (the folder missing or not writable, the disk full) leaves any old file as
    //! it was and nothing half-written. Answers empty on success, else why it failed.
    virtual std::string ReplaceWhole(const String& path, std::string_view bytes) = 0;
};

}  // namespace chordlane
