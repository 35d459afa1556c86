#pragma once
// chordlane-tool import, and LIBRARY#P in place of FILE for the commands that load one: a
// preset of a sound library imported in memory and loaded as an instrument file.

#include <memory>
#include <optional>
#include <string>

#include "import/LibraryImport.h"
#include "platform/FileSystem.h"

namespace chordlane::tool {

// The preset's exit code when it is not in the library.
inline constexpr int EXIT_NO_PRESET = 5;

struct LibraryLoad {
    int exitCode = 0;                   // 0 when imported; else 1, 4 or 5, reason printed
    std::string path;                   // the instrument's path in files
    std::unique_ptr<FileSystem> files;  // the imported files over the real ones
};

//! Imports the library's preset with its default layout into files held in memory, over
//! real (not owned; it must outlive the answer's files). Warnings and reasons go to
//! standard error.
LibraryLoad ImportInMemory(const LibraryReference& reference, const std::string& file,
                           FileSystem& real);

}  // namespace chordlane::tool
