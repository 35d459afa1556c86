#include "elements/PictureMemory.h"

#include <algorithm>
#include <utility>

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

}  // namespace chordlane
