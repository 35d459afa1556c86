#include "platform/qt/QtSurface.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "platform/SurfaceGeometry.h"
#include "platform/qt/QtBitmap.h"

namespace chordlane {

QTransform ScreenFitTransform(QSizeF size, int screenWidth, int screenHeight) {
    const double w = std::max(screenWidth, 1), h = std::max(screenHeight, 1);
    const double scale = std::min(size.width() / w, size.height() / h);
    return QTransform(scale, 0, 0, scale, (size.width() - w * scale) / 2,
                      (size.height() - h * scale) / 2);
}

namespace {

QRectF ToQRectF(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    const double l = ClampFarOff(left), t = ClampFarOff(top);
    return QRectF(l, t, ClampFarOff(right) - l, ClampFarOff(bottom) - t);
}

QString ToQString(const String& s) { return QString::fromStdU16String(s); }

}  // namespace

QtSurface::QtSurface(QPainter& painter, const Rect& paintRect)
    : painter_(painter), paintRect_(paintRect) {}

QtSurface::QtSurface(QImage& image)
    : ownPainter_(std::make_unique<QPainter>(&image)),
      painter_(*ownPainter_),
      paintRect_{0, 0, image.width(), image.height()} {}

QtSurface::~QtSurface() = default;

Rect QtSurface::PaintRect() const { return paintRect_; }

Colour QtSurface::NearestColour(Colour c) const {
    // A true-colour device shows every 0x00BBGGRR value as it is. -1 is what the background
    // variable holds before anything sets it: not a colour, shown as white. Other values
    // with a high byte carry their colour in the low three bytes.
    if (c == 0xFFFFFFFFu) return 0x00FFFFFFu;
    return c & 0x00FFFFFFu;
}

int64_t QtSurface::ColourCount() const {
    const QPaintDevice* device = painter_.device();
    const int depth = device ? device->depth() : 32;
    if (depth >= 24 || depth <= 0) return int64_t{1} << 24;
    return int64_t{1} << depth;
}

QColor QtSurface::ToQColor(Colour c) const {
    const Colour n = NearestColour(c);
    return QColor(static_cast<int>(n & 0xFF), static_cast<int>((n >> 8) & 0xFF),
                  static_cast<int>((n >> 16) & 0xFF));
}

void QtSurface::FillRect(const Rect& r, Colour c) {
    const Span s = Normalized(r);
    if (s.Width() <= 0 || s.Height() <= 0) return;
    painter_.fillRect(ToQRectF(s.left, s.top, s.right, s.bottom), ToQColor(c));
}

void QtSurface::DrawRectangle(const Rect& r, const Pen& pen, const Brush& brush) {
    const Span s = Normalized(r);
    if (s.Width() <= 0 || s.Height() <= 0) return;
    const QColor line = ToQColor(pen.colour);
    painter_.fillRect(ToQRectF(s.left, s.top, s.right, s.bottom), ToQColor(brush.colour));
    // The outline is the outermost ring of pixels of the filled area.
    painter_.fillRect(ToQRectF(s.left, s.top, s.right, s.top + 1), line);
    painter_.fillRect(ToQRectF(s.left, s.bottom - 1, s.right, s.bottom), line);
    painter_.fillRect(ToQRectF(s.left, s.top, s.left + 1, s.bottom), line);
    painter_.fillRect(ToQRectF(s.right - 1, s.top, s.right, s.bottom), line);
}

void QtSurface::DrawEllipse(const Rect& r, const Pen& pen, const Brush& brush) {
    const Span s = Normalized(r);
    if (s.Width() <= 0 || s.Height() <= 0) return;
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, false);
    // The outline colour fills the whole ellipse and the brush its inside one pixel in, so
    // the outline is exactly one pixel wide at every zoom.
    QPainterPath outer;
    outer.addEllipse(ToQRectF(s.left, s.top, s.right, s.bottom));
    painter_.fillPath(outer, ToQColor(pen.colour));
    if (s.Width() > 2 && s.Height() > 2) {
        QPainterPath inner;
        inner.addEllipse(ToQRectF(s.left + 1, s.top + 1, s.right - 1, s.bottom - 1));
        painter_.fillPath(inner, ToQColor(brush.colour));
    }
    painter_.restore();
}

QFont QtSurface::MakeQFont(const Font& font) {
    QFont q(ToQString(font.face));
    q.setStyleStrategy(font.antialiased ? QFont::PreferAntialias : QFont::NoAntialias);
    q.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight, 1, 1000)));
    q.setKerning(false);
    // Qt sizes fonts by their em; a cell height is turned into one by the face's proportions.
    q.setPixelSize(FontEmPixels(font, [&q](int em) {
        QFont probe = q;
        probe.setPixelSize(em);
        const QFontMetricsF fm(probe);
        return fm.ascent() + fm.descent();
    }));
    return q;
}

Size QtSurface::TextExtent(const Font& font, const String& text) {
    const QFontMetrics fm(MakeQFont(font));
    return {fm.horizontalAdvance(ToQString(text)), fm.height()};
}

void QtSurface::DrawText(const Font& font, Colour colour, Point at, const String& text,
                         const Rect* clip) {
    const QFont q = MakeQFont(font);
    painter_.save();
    if (clip) {
        const Span s = Normalized(*clip);
        painter_.setClipRect(ToQRectF(s.left, s.top, s.right, s.bottom), Qt::IntersectClip);
    }
    painter_.setRenderHint(QPainter::TextAntialiasing, font.antialiased);
    painter_.setFont(q);
    painter_.setPen(ToQColor(colour));
    painter_.translate(at.x, at.y);
    // Escapement turns counter-clockwise on the screen, whose y axis points down.
    painter_.rotate(-font.escapement / 10.0);
    // The reference point is the top-left corner of the character cell; Qt draws from the
    // baseline.
    const QFontMetricsF fm(q);
    painter_.drawText(QPointF(0, fm.ascent()), ToQString(text));
    painter_.restore();
}

void QtSurface::CopyBitmap(const Bitmap& bitmap, Point at) {
    const auto* qt = dynamic_cast<const QtBitmap*>(&bitmap);
    if (!qt) return;
    painter_.save();
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, smoothPictures_);
    painter_.drawImage(QPointF(at.x, at.y), qt->Image());
    painter_.restore();
}

void QtSurface::StretchBitmap(const Bitmap& bitmap, const Rect& dest) {
    const auto* qt = dynamic_cast<const QtBitmap*>(&bitmap);
    if (!qt || qt->Image().isNull()) return;
    const Span s = Normalized(dest);
    if (s.Width() <= 0 || s.Height() <= 0) return;
    // A destination given right-to-left or bottom-to-top shows the picture mirrored.
    const bool mirrorX = dest.right < dest.left;
    const bool mirrorY = dest.bottom < dest.top;
    painter_.save();
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, smoothPictures_);
    const QRectF target = ToQRectF(s.left, s.top, s.right, s.bottom);
    if (mirrorX || mirrorY) {
        painter_.drawImage(target, qt->Image().mirrored(mirrorX, mirrorY));
    } else {
        painter_.drawImage(target, qt->Image());
    }
    painter_.restore();
}

}  // namespace chordlane
