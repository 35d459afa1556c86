#pragma once
// Finding the files an instrument names: instrument files, sample files and pictures. A
// name is tried unchanged, then beside the including file, then in the home folder, then
// in the program folder; an absolute name (beginning with '\' or '/') only unchanged.

#include <memory>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Surface.h"
#include "platform/Types.h"

namespace chordlane {

class Instrument;

// The longest joined path the search builds, as its fixed buffer allows; a longer one is
// not tried, so it can never be cut short into the name of another file.
inline constexpr size_t MAX_SEARCH_PATH = 259;

bool IsPathSeparator(char16_t c);
//! Everything up to and including the last separator; empty when there is none.
String FolderPart(const String& path);

//! The paths the search tries for name, in order (includingFile empty: none), with the
//! instrument's home and program folders.
std::vector<String> SearchPaths(const Instrument& instrument, const String& name,
                                const String& includingFile);

//! The first of SearchPaths that opens, or null. openedPath, when given, receives its path.
//! A file opened for reading is noted among the instrument's used files.
std::unique_ptr<File> OpenSearched(Instrument& instrument, const String& name, FileMode mode,
                                   const String& includingFile, String* openedPath = nullptr);

//! The first of SearchPaths that the platform's picture loader loads, or the bitmap this load
//! already holds for the file it opens; null when none does or the pictures' memory limit
//! would be passed.
std::shared_ptr<Bitmap> LoadPictureSearched(Instrument& instrument, const String& name,
                                            const String& includingFile);

}  // namespace chordlane
