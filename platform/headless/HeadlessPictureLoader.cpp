#include <memory>

#include "platform/headless/HeadlessPlatform.h"

namespace chordlane {

namespace {

// Placeholder until picture headers are read: no picture loads.
class HeadlessPictureLoader : public PictureLoader {
public:
    std::shared_ptr<Bitmap> LoadFile(const String&) override { return nullptr; }
    std::shared_ptr<Bitmap> LoadStartupBitmap() override { return nullptr; }
};

}  // namespace

std::unique_ptr<PictureLoader> MakeHeadlessPictureLoader() {
    return std::make_unique<HeadlessPictureLoader>();
}

}  // namespace chordlane
