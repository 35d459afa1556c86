#include "language/FileSearch.h"

#include "app/AppState.h"
#include "elements/ImageElement.h"
#include "elements/PanelElement.h"
#include "platform/Platform.h"

namespace chordlane {

namespace {

void AddJoined(std::vector<String>& paths, const String& folder, const String& name) {
    if (folder.size() + name.size() > MAX_SEARCH_PATH) return;
    paths.push_back(folder + name);
}

// Image elements that show the same file share one bitmap instead of loading it again: the
// first image element of that file name in the tree, if it holds a bitmap already.
std::shared_ptr<Bitmap> SharedPicture(const String& name) {
    if (!App().root) return nullptr;
    Element* element = App().root->FindImageByFile(name);
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

std::vector<String> SearchPaths(const String& name, const String& includingFile) {
    std::vector<String> paths{name};
    if (!name.empty() && IsPathSeparator(name.front())) return paths;
    const String includingFolder = FolderPart(includingFile);
    if (!includingFolder.empty()) AddJoined(paths, includingFolder, name);
    AddJoined(paths, App().homeFolder, name);
    AddJoined(paths, App().programFolder, name);
    return paths;
}

std::unique_ptr<File> OpenSearched(const String& name, FileMode mode, const String& includingFile,
                                   String* openedPath) {
    FileSystem* files = CurrentPlatform().files;
    if (!files) return nullptr;
    for (const String& path : SearchPaths(name, includingFile)) {
        if (auto file = files->Open(path, mode)) {
            if (openedPath) *openedPath = path;
            return file;
        }
    }
    return nullptr;
}

std::shared_ptr<Bitmap> LoadPictureSearched(const String& name, const String& includingFile) {
    if (auto shared = SharedPicture(name)) return shared;
    PictureLoader* pictures = CurrentPlatform().pictures;
    if (!pictures) return nullptr;
    for (const String& path : SearchPaths(name, includingFile)) {
        if (auto bitmap = pictures->LoadFile(path)) return bitmap;
    }
    return nullptr;
}

}  // namespace chordlane
