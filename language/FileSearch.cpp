#include "language/FileSearch.h"

#include "elements/Instrument.h"

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

std::vector<String> SearchPaths(const Instrument& instrument, const String& name,
                                const String& includingFile) {
    std::vector<String> paths{name};
    if (!name.empty() && IsPathSeparator(name.front())) return paths;
    const String includingFolder = FolderPart(includingFile);
    if (!includingFolder.empty()) AddJoined(paths, includingFolder, name);
    AddJoined(paths, instrument.homeFolder, name);
    AddJoined(paths, instrument.programFolder, name);
    return paths;
}

std::unique_ptr<File> OpenSearched(Instrument& instrument, const String& name, FileMode mode,
                                   const String& includingFile, String* openedPath) {
    FileSystem* files = instrument.platform.files;
    if (!files) return nullptr;
    for (const String& path : SearchPaths(instrument, name, includingFile)) {
        if (auto file = files->Open(path, mode)) {
            if (mode == FileMode::Read) instrument.NoteUsedFile(file->ResolvedPath(), path);
            if (openedPath) *openedPath = path;
            return file;
        }
    }
    return nullptr;
}

std::shared_ptr<Bitmap> LoadPictureSearched(Instrument& instrument, const String& name,
                                            const String& includingFile) {
    PictureLoader* pictures = instrument.platform.pictures;
    FileSystem* files = instrument.platform.files;
    if (!pictures || !files) return nullptr;
    for (const String& path : SearchPaths(instrument, name, includingFile)) {
        // Pictures share one bitmap per file actually opened, however the name was written
        // and whichever element asked first.
        String resolved;
        if (auto file = files->Open(path, FileMode::Read)) {
            resolved = file->ResolvedPath();
            instrument.NoteUsedFile(resolved, path);
        } else {
            continue;
        }
        if (auto shared = instrument.memory.pictures.Shared(resolved)) return shared;
        if (auto bitmap = pictures->LoadFile(path)) {
            // Past the pictures' limit the picture is not loaded, like one that cannot be.
            return instrument.memory.pictures.Keep(resolved, std::move(bitmap));
        }
    }
    return nullptr;
}

}  // namespace chordlane
