#include "platform/web/WebPictureLoader.h"

#include <emscripten.h>

#include "platform/web/CanvasSurface.h"
#include "platform/web/JsText.h"

// clang-format off
// Answers a new number for the decoded picture at the path (its width, height and file size
// written to out), or 0 when the page has none. Each number is one holder of the picture.
EM_JS(int, cl_picture_take, (int path, int length, double* out), {
    return Module.page.takePicture(Module.page.text(path, length), out);
});
// clang-format on

namespace chordlane::web {

std::shared_ptr<Bitmap> WebPictureLoader::LoadFile(const String& path) {
    if (path.empty()) return nullptr;
    const JsText js(path);
    double size[3] = {0, 0, 0};
    const int id = cl_picture_take(static_cast<int>(js.data), js.length, size);
    if (id == 0) return nullptr;
    auto bitmap = std::make_shared<CanvasBitmap>(id, static_cast<int32_t>(size[0]),
                                                 static_cast<int32_t>(size[1]));
    // The same bounds as the desktop's loader, so an instrument shows the same pictures.
    if (!PictureSizeAllowed(static_cast<int64_t>(size[0]), static_cast<int64_t>(size[1]),
                            static_cast<int64_t>(size[2])))
        return nullptr;
    return bitmap;
}

}  // namespace chordlane::web
