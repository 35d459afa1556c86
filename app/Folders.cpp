#include "app/Folders.h"

#include "app/Settings.h"
#include "language/FileSearch.h"

namespace chordlane {

String WithTrailingSeparator(String folder) {
    if (folder.empty() || IsPathSeparator(folder.back())) return folder;
    const size_t last = folder.find_last_of(u"\\/");
    folder.push_back(last != String::npos ? folder[last] : u'/');
    return folder;
}

String ProgramFolderFromPath(const String& programPath) {
    String folder = FolderPart(programPath);
    return folder.empty() ? String(u"/") : folder;
}

String DeriveHomeFolder(SettingsStore* store, const String& fallback) {
    const String setting = ReadInstallSetting(store, HOME_VALUE);
    return WithTrailingSeparator(setting.empty() ? fallback : setting);
}

}  // namespace chordlane
