#pragma once
#include <memory>

#include "platform/Surface.h"

namespace chordlane {

// Bitmap files through QImage (BMP, PNG). Files are opened through the file system in force,
// so '\' separators and case-blind names resolve as they do for instrument files. A picture
// whose header states a size of 0 or more than MAX_PICTURE_SIDE on a side is refused before
// any pixel memory is allocated.
class QtPictureLoader : public PictureLoader {
public:
    static constexpr int32_t MAX_PICTURE_SIDE = 16384;

    //! startupPath names the start-up bitmap file; empty means there is none.
    explicit QtPictureLoader(String startupPath = {});

    std::shared_ptr<Bitmap> LoadFile(const String& path) override;
    std::shared_ptr<Bitmap> LoadStartupBitmap() override;

private:
    String startupPath_;
};

}  // namespace chordlane
