// Picture files as image elements load them: the headless loader, which reads only the
// header, and the program's loader through QImage, which must refuse a picture before
// allocating its pixels when the header states a size beyond the bound.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/FuzzEnvironment.h"
#include "platform/qt/QtPictureLoader.h"

using namespace chordlane;
using namespace chordlane::fuzz;

namespace {

void CheckBounds(const std::shared_ptr<Bitmap>& bitmap) {
    if (!bitmap) return;
    if (bitmap->Width() <= 0 || bitmap->Height() <= 0 ||
        bitmap->Width() > QtPictureLoader::MAX_PICTURE_SIDE ||
        bitmap->Height() > QtPictureLoader::MAX_PICTURE_SIDE) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzEnvironment env;
    QtPictureLoader qtLoader(*env.files);
    env.files->Add(u"/picture.bmp", std::string_view(reinterpret_cast<const char*>(data), size));
    CheckBounds(env.platform.pictures->LoadFile(u"/picture.bmp"));
    CheckBounds(qtLoader.LoadFile(u"/picture.bmp"));
    return 0;
}
