#pragma once
#include <memory>

#include "platform/FileSystem.h"
#include "platform/Surface.h"

namespace chordlane {

// Bitmap files through QImage (BMP, PNG). Files are opened through the given file system,
// so '\' separators and case-blind names resolve as they do for instrument files. A picture
// whose header states a size of 0 or more than MAX_PICTURE_SIDE on a side is refused before
// any pixel memory is allocated.
class QtPictureLoader : public PictureLoader {
  public:
    static constexpr int32_t MAX_PICTURE_SIDE = 16384;

    //! files opens the pictures and must outlive the loader; startupPath names the start-up
    //! bitmap file (empty: there is none).
    explicit QtPictureLoader(FileSystem& files, String startupPath = {});

    std::shared_ptr<Bitmap> LoadFile(const String& path) override;
    std::shared_ptr<Bitmap> LoadStartupBitmap() override;

  private:
    FileSystem& files_;
    String startupPath_;
};

}  // namespace chordlane
