#pragma once
// The two folders the file search uses besides the including file's: the program folder
// (the program's data) and the home folder (the user's instruments). Both end with a
// separator, so names are joined to them with nothing in between.

#include "platform/SettingsStore.h"
#include "platform/Types.h"

namespace chordlane {

//! The folder part of the program's path, up to and including its last '/' or '\'; "/"
//! when the path holds no separator.
String ProgramFolderFromPath(const String& programPath);

//! folder with a separator at its end: the one it already uses (so a setting written with
//! backslashes stays in one style), else '/'. An empty folder stays empty.
String WithTrailingSeparator(String folder);

//! The home folder: the installation's "Home" setting, else fallback (the documents
//! folder); a separator is appended when it does not end with one. Empty only when both
//! are empty.
String DeriveHomeFolder(SettingsStore* store, const String& fallback);

}  // namespace chordlane
