#include "elements/PictureMemory.h"

#include <algorithm>
#include <utility>

#include "elements/Instrument.h"
#include "language/FileSearch.h"

namespace chordlane {

int64_t PictureBytes(const Bitmap& bitmap) {
    return int64_t{std::max(bitmap.Width(), 0)} * std::max(bitmap.Height(), 0) * 4;
}

std::shared_ptr<Bitmap> PictureMemory::Shared(const String& resolvedPath) const {
    if (resolvedPath.empty()) return nullptr;
    const auto it = shared_.find(resolvedPath);
    return it == shared_.end() ? nullptr : it->second;
}

std::shared_ptr<Bitmap> PictureMemory::Keep(const String& resolvedPath,
                                            std::shared_ptr<Bitmap> bitmap) {
    if (!bitmap) return nullptr;
    const int64_t bytes = PictureBytes(*bitmap);
    int64_t held = held_->load();
    do {
        if (bytes > limit_ - held) return nullptr;
    } while (!held_->compare_exchange_weak(held, held + bytes));
    // The same bitmap, with a holder count of its own that gives the bytes back at the end.
    Bitmap* raw = bitmap.get();
    std::shared_ptr<Bitmap> counted(
        raw, [picture = std::move(bitmap), count = held_, bytes](Bitmap*) mutable {
            picture.reset();
            count->fetch_sub(bytes);
        });
    if (!resolvedPath.empty()) shared_[resolvedPath] = counted;
    return counted;
}

std::shared_ptr<Bitmap> LoadPictureSearched(Instrument& instrument, const String& name,
                                            const String& includingFile) {
    PictureLoader* pictures = instrument.platform.pictures;
    FileSystem* files = instrument.platform.files;
    if (!pictures || !files) return nullptr;
    for (const String& path : SearchPaths(instrument.load, name, includingFile)) {
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
