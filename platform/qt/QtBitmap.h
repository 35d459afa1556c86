#pragma once
#include <QImage>

#include "platform/Surface.h"

namespace chordlane {

// A picture held as a QImage, drawn by QtSurface.
class QtBitmap : public Bitmap {
  public:
    explicit QtBitmap(QImage image) : image_(std::move(image)) {}

    int32_t Width() const override { return image_.width(); }
    int32_t Height() const override { return image_.height(); }
    const QImage& Image() const { return image_; }

  private:
    QImage image_;
};

}  // namespace chordlane
