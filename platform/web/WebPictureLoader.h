#pragma once
#include "platform/Surface.h"

namespace chordlane::web {

// Pictures the browser decoded. Decoding in a browser only finishes later, so the page
// decodes every picture file as it enters the file system (the site's at start, the person's
// as they are picked) and this loader hands out what it decoded, by path, at once.
class WebPictureLoader : public PictureLoader {
  public:
    //! startupPath: the file of the start-up bitmap.
    explicit WebPictureLoader(String startupPath) : startupPath_(std::move(startupPath)) {}
    std::shared_ptr<Bitmap> LoadFile(const String& path) override;
    std::shared_ptr<Bitmap> LoadStartupBitmap() override { return LoadFile(startupPath_); }

  private:
    String startupPath_;
};

}  // namespace chordlane::web
