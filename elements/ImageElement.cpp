#include "elements/ImageElement.h"

#include "elements/Instrument.h"
#include "elements/PictureMemory.h"

namespace chordlane {

namespace {
const String PICTURE = u"picture";
}  // namespace

ImageElement::ImageElement(Instrument& owner, String name, String fileName,
                           std::unique_ptr<Rect> bounds)
    : VisualElement(owner, std::move(name)), fileName_(std::move(fileName)) {
    bounds_ = std::move(bounds);
}

ImageElement::~ImageElement() = default;

void ImageElement::SetString(const String&, const String& value) {
    // Any property names the file; a picture already loaded stays.
    fileName_ = value;
}

void ImageElement::ReportIfNotFound() {
    if (!LoadPictureSearched(Owner(), fileName_, String())) {
        Owner().listeners.FileNotLoaded(OriginFile(), OriginLine(), PICTURE, fileName_, {});
    }
}

int32_t ImageElement::GetKind() const { return KIND_VISUAL | KIND_IMAGE; }

void ImageElement::SetActive(bool active) {
    // No including file: the name as written, then the home and program folders.
    if (active && !bitmap_) {
        if (!fileName_.empty()) bitmap_ = LoadPictureSearched(Owner(), fileName_, String());
        if (!bitmap_) {
            Owner().listeners.FileNotLoaded(OriginFile(), OriginLine(), PICTURE, fileName_, {});
        }
    }
    VisualElement::SetActive(active);
}

bool ImageElement::Draw(Surface& surface) {
    if (!bounds_ || !bitmap_ || !IsVisibleIn(surface.PaintRect())) return false;
    // In 64 bits: the width of far-apart bounds does not fit in 32.
    const int64_t w = int64_t{bounds_->right} - bounds_->left;
    const int64_t h = int64_t{bounds_->bottom} - bounds_->top;
    if (bitmap_->Width() == w && bitmap_->Height() == h) {
        surface.CopyBitmap(*bitmap_, {bounds_->left, bounds_->top});
    } else {
        surface.StretchBitmap(*bitmap_, *bounds_);
    }
    return true;
}

}  // namespace chordlane
