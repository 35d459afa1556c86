#include "language/FileSearch.h"

#include "elements/ImageElement.h"
#include "elements/Instrument.h"
#include "elements/PanelElement.h"

namespace chordlane {

namespace {

void AddJoined(std::vector<String>& paths, const String& folder, const String& name) {
    if (folder.size() + name.size() > MAX_SEARCH_PATH) return;
    paths.push_back(folder + name);
}

// Image elements that show the same file share one bitmap instead of loading it again: the
// first image element of that file name in the tree, if it holds a bitmap already.
std::shared_ptr<Bitmap> SharedPicture(const Instrument& instrument, const String& name) {
    if (!instrument.root) return nullptr;
    Element* element = instrument.root->FindImageByFile(name);
    if (!element) return nullptr;
    return static_cast<ImageElement*>(element)->GetBitmap();
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

std::unique_ptr<File> OpenSearched(const Instrument& instrument, const String& name, FileMode mode,
                                   const String& includingFile, String* openedPath) {
    FileSystem* files = instrument.platform.files;
    if (!files) return nullptr;
    for (const String& path : SearchPaths(instrument, name, includingFile)) {
        if (auto file = files->Open(path, mode)) {
            if (openedPath) *openedPath = path;
            return file;
        }
    }
    return nullptr;
}

std::shared_ptr<Bitmap> LoadPictureSearched(const Instrument& instrument, const String& name,
                                            const String& includingFile) {
    if (auto shared = SharedPicture(instrument, name)) return shared;
    PictureLoader* pictures = instrument.platform.pictures;
    if (!pictures) return nullptr;
    for (const String& path : SearchPaths(instrument, name, includingFile)) {
        if (auto bitmap = pictures->LoadFile(path)) return bitmap;
    }
    return nullptr;
}

}  // namespace chordlane
