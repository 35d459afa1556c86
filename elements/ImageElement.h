#pragma once
#include <memory>

#include "elements/Element.h"

namespace chordlane {

// A picture from a file, loaded the first time the element becomes active; elements showing
// the same file share one bitmap.
class ImageElement : public VisualElement {
  public:
    ImageElement(Instrument& owner, String name, String fileName, std::unique_ptr<Rect> bounds);
    ~ImageElement() override;

    const char* ClassName() const override { return "ImageElement"; }
    void SetString(const String& property, const String& value) override;
    int32_t GetKind() const override;
    void SetActive(bool active) override;
    bool Draw(Surface& surface) override;
    //! Tells the instrument's listeners when the picture cannot be loaded; for an element
    //! that has not tried to load yet.
    void ReportIfNotFound();

    const String& GetFileName() const { return fileName_; }
    const std::shared_ptr<Bitmap>& GetBitmap() const { return bitmap_; }

  private:
    String fileName_;
    std::shared_ptr<Bitmap> bitmap_;
};

}  // namespace chordlane
