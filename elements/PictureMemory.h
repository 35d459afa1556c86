#pragma once
// The pictures of one load: what their pixels take against a limit, and one bitmap for each
// file however it is named.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>

#include "platform/Surface.h"
#include "platform/Types.h"

namespace chordlane {

class Instrument;

// All pictures of one instrument together may not take more than this by default: one picture
// of the largest size (MAX_PICTURE_SIDE on both sides at 32 bits a pixel), or many of
// screen size. With the sounds' 512 MiB and the elements a load can build besides, a whole load
// stays under 1 GiB.
inline constexpr int64_t DEFAULT_PICTURE_MEMORY_LIMIT = int64_t{256} << 20;

// The bytes a bitmap's pixels are counted as: 4 a pixel, as the screen shows them.
int64_t PictureBytes(const Bitmap& bitmap);

class PictureMemory {
  public:
    explicit PictureMemory(int64_t limit = DEFAULT_PICTURE_MEMORY_LIMIT) : limit_(limit) {}
    PictureMemory(const PictureMemory&) = delete;
    PictureMemory& operator=(const PictureMemory&) = delete;

    //! The bitmap kept for the file at resolvedPath (File::ResolvedPath), or null.
    std::shared_ptr<Bitmap> Shared(const String& resolvedPath) const;
    //! Counts bitmap as held until its last holder lets it go and keeps it for the file at
    //! resolvedPath (empty: not shared); null, and nothing counted, when it would take the
    //! pictures past the limit.
    std::shared_ptr<Bitmap> Keep(const String& resolvedPath, std::shared_ptr<Bitmap> bitmap);
    //! A new load shares nothing with the last; its bitmaps stay counted while held.
    void ForgetShared() { shared_.clear(); }

    int64_t Held() const { return held_->load(); }
    int64_t Limit() const { return limit_; }
    void SetLimit(int64_t limit) { limit_ = limit; }

  private:
    // Shared with the bitmaps handed out, which may outlive this.
    std::shared_ptr<std::atomic<int64_t>> held_ = std::make_shared<std::atomic<int64_t>>(0);
    int64_t limit_;
    std::map<String, std::shared_ptr<Bitmap>> shared_;
};

//! The first of the file search's paths (SearchPaths) that the platform's picture loader
//! loads, or the bitmap this load already holds for the file it opens; null when none does or
//! the pictures' memory limit would be passed. The file opened is noted as used.
std::shared_ptr<Bitmap> LoadPictureSearched(Instrument& instrument, const String& name,
                                            const String& includingFile);

}  // namespace chordlane
