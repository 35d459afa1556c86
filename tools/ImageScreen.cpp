#include "tools/ImageScreen.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <algorithm>

#include "elements/Instrument.h"
#include "platform/qt/QtSurface.h"
#include "view/InstrumentView.h"

namespace chordlane::tool {

ImageScreen::ImageScreen(InstrumentView& view, Platform& services, int zoom)
    : view_(view),
      zoom_(std::max(zoom, 1)),
      image_(view.GetInstrument().screen.width * zoom_, view.GetInstrument().screen.height * zoom_,
             QImage::Format_RGB32),
      services_(services),
      previous_(services.window) {
    services_.window = this;
    ReshowAndRaise();
}

ImageScreen::~ImageScreen() { services_.window = previous_; }

void ImageScreen::RepaintNow(const Rect& r) {
    if (r.right < r.left || r.bottom < r.top) return;
    // Elements count their right and bottom edges as inside, so one more pixel is repainted;
    // in 64 bits, because rectangles from instrument files can be anything.
    const int64_t z = zoom_;
    const int64_t left = std::max<int64_t>(int64_t{r.left} * z, 0);
    const int64_t top = std::max<int64_t>(int64_t{r.top} * z, 0);
    const int64_t right = std::min<int64_t>((int64_t{r.right} + 1) * z, image_.width());
    const int64_t bottom = std::min<int64_t>((int64_t{r.bottom} + 1) * z, image_.height());
    if (right <= left || bottom <= top) return;
    Paint(QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                static_cast<int>(bottom - top)));
}

void ImageScreen::ReshowAndRaise() { Paint(image_.rect()); }

void ImageScreen::Paint(const QRect& area) {
    if (image_.isNull()) return;
    QPainter painter(&image_);
    painter.setClipRect(area);
    // The window erases the area with its background before the view paints, as a widget
    // that fills its background does.
    painter.fillRect(area, QGuiApplication::palette().color(QPalette::Window));
    painter.scale(zoom_, zoom_);
    // The area in logical pixels, rounded outwards, as the window's paint handler sees it.
    const Rect paintRect{area.left() / zoom_, area.top() / zoom_,
                         (area.right() + 1 + zoom_ - 1) / zoom_,
                         (area.bottom() + 1 + zoom_ - 1) / zoom_};
    QtSurface surface(painter, paintRect);
    view_.Paint(surface);
}

bool ImageScreen::SavePng(const std::string& path) const {
    return !image_.isNull() && image_.save(QFile::decodeName(path.c_str()), "PNG");
}

}  // namespace chordlane::tool
