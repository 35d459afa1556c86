#pragma once
// Finding the files an instrument names: instrument files, sample files and pictures. A
// name is tried unchanged, then beside the including file, then in the home folder, then
// in the program folder; an absolute name (beginning with '\' or '/') only unchanged.
// Pictures are searched the same way by LoadPictureSearched (elements/PictureMemory.h).

#include <memory>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Types.h"

namespace chordlane {

struct LoadState;

// The longest joined path the search builds, as its fixed buffer allows; a longer one is
// not tried, so it can never be cut short into the name of another file.
inline constexpr size_t MAX_SEARCH_PATH = 259;

bool IsPathSeparator(char16_t c);
//! Everything up to and including the last separator; empty when there is none.
String FolderPart(const String& path);

//! The paths the search tries for name, in order (includingFile empty: none), with the
//! load's home and program folders.
std::vector<String> SearchPaths(const LoadState& load, const String& name,
                                const String& includingFile);

//! The first of SearchPaths that opens, or null. openedPath, when given, receives its path.
//! A file opened for reading is noted among the load's used files.
std::unique_ptr<File> OpenSearched(LoadState& load, const String& name, FileMode mode,
                                   const String& includingFile, String* openedPath = nullptr);

}  // namespace chordlane
