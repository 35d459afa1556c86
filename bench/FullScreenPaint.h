#pragma once
// An instrument view painted as the program's full-screen window paints it on a 1920 x 1080
// display: the instrument's screen fitted in the middle with smooth pictures, the margins
// black. For the benchmarks that repaint a large window.

#include <QImage>
#include <QPainter>
#include <QRegion>

#include "platform/qt/QtSurface.h"
#include "view/InstrumentView.h"

namespace chordlane {

class FullScreenPaint {
  public:
    FullScreenPaint()
        : image_(1920, 1080, QImage::Format_RGB32),
          transform_(ScreenFitTransform(QSizeF(image_.size()), 240, 320)),
          screen_(transform_.mapRect(QRectF(0, 0, 240, 320))),
          margin_(QRegion(image_.rect()) - QRegion(screen_.toAlignedRect())) {}

    void Paint(InstrumentView& view) {
        QPainter painter(&image_);
        for (const QRect& r : margin_) painter.fillRect(r, Qt::black);
        painter.setClipRect(screen_);
        painter.setTransform(transform_);
        QtSurface surface(painter, Rect{0, 0, 240, 320});
        surface.SetSmoothPictures(true);
        view.Paint(surface);
    }

  private:
    QImage image_;
    QTransform transform_;
    QRectF screen_;
    QRegion margin_;
};

}  // namespace chordlane
