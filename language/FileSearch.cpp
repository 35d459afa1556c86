#include "language/FileSearch.h"

#include "language/LoadState.h"

namespace chordlane {

namespace {

void AddJoined(std::vector<String>& paths, const String& folder, const String& name) {
    if (folder.size() + name.size() > MAX_SEARCH_PATH) return;
    paths.push_back(folder + name);
}

}  // namespace

bool IsPathSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

String FolderPart(const String& path) {
    for (size_t i = path.size(); i > 0; --i) {
        if (IsPathSeparator(path[i - 1])) return path.substr(0, i);
    }
    return String();
}

std::vector<String> SearchPaths(const LoadState& load, const String& name,
                                const String& includingFile) {
    std::vector<String> paths{name};
    if (!name.empty() && IsPathSeparator(name.front())) return paths;
    const String includingFolder = FolderPart(includingFile);
    if (!includingFolder.empty()) AddJoined(paths, includingFolder, name);
    AddJoined(paths, load.homeFolder, name);
    AddJoined(paths, load.programFolder, name);
    return paths;
}

std::unique_ptr<File> OpenSearched(LoadState& load, const String& name, FileMode mode,
                                   const String& includingFile, String* openedPath) {
    FileSystem* files = load.platform.files;
    if (!files) return nullptr;
    for (const String& path : SearchPaths(load, name, includingFile)) {
        if (auto file = files->Open(path, mode)) {
            if (mode == FileMode::Read) load.NoteUsedFile(file->ResolvedPath(), path);
            if (openedPath) *openedPath = path;
            return file;
        }
    }
    return nullptr;
}

}  // namespace chordlane
