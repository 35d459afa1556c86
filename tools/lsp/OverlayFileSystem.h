#pragma once
// The file system a language server loads through: one file's text as the editor holds it,
// unsaved changes and all, in front of the real files, which every other name reaches. It
// never writes: checking a file must not change anything on the disk.

#include <memory>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace chordlane::tool {

class OverlayFileSystem : public FileSystem {
  public:
    //! path is where the text stands; base opens every other file. Both base and text must
    //! outlive this and every file it opens.
    OverlayFileSystem(FileSystem& base, const String& path, std::string_view text);

    //! The text for every name of the overlaid file (as written, relative to the working
    //! folder, in other case where the disk matches so, through links); the base otherwise.
    //! Writing is refused.
    std::unique_ptr<File> Open(const String& path, FileMode mode) override;
    //! Refused.
    std::string ReplaceWhole(const String& path, std::string_view bytes) override;

  private:
    bool IsOverlaid(const String& path) const;

    FileSystem& base_;
    String path_;
    std::string normal_;  // the overlaid path, absolute and lexically normal
    std::string_view text_;
};

//! path with '\' as '/', made absolute against the working folder, "." and ".." resolved as
//! written (links are not followed).
std::string NormalPath(const String& path);

}  // namespace chordlane::tool
