#include "app/gui/PainterSurface.h"

#include <QFontMetrics>

#include "platform/qt/QtStringConversion.h"

namespace chordlane {

namespace {

constexpr int SCREEN_DPI = 96;

QColor ToQColor(Colour c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

QRect ToQRect(const Rect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

QFont ToQFont(const Font& font) {
    QFont qfont(ToQString(font.face));
    const int pixels = font.pointTenths != 0 ? font.pointTenths * SCREEN_DPI / 720 : font.height;
    qfont.setPixelSize(std::max(1, pixels < 0 ? -pixels : pixels));
    qfont.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight / 10 * 10, 100, 900)));
    if (!font.antialiased) qfont.setStyleStrategy(QFont::NoAntialias);
    return qfont;
}

}  // namespace

PainterSurface::PainterSurface(QPainter& painter, const Rect& paintRect)
    : painter_(painter), paintRect_(paintRect) {}

Colour PainterSurface::NearestColour(Colour c) const { return c & 0xFFFFFF; }

int64_t PainterSurface::ColourCount() const { return int64_t{1} << 24; }

void PainterSurface::FillRect(const Rect& r, Colour c) {
    if (r.IsEmpty()) return;
    painter_.fillRect(ToQRect(r), ToQColor(c));
}

void PainterSurface::DrawRectangle(const Rect& r, const Pen& pen, const Brush& brush) {
    if (r.IsEmpty()) return;
    painter_.fillRect(ToQRect(r), ToQColor(brush.colour));
    painter_.setPen(ToQColor(pen.colour));
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(QRect(r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1));
}

void PainterSurface::DrawEllipse(const Rect& r, const Pen& pen, const Brush& brush) {
    if (r.IsEmpty()) return;
    painter_.setPen(ToQColor(pen.colour));
    painter_.setBrush(ToQColor(brush.colour));
    painter_.drawEllipse(QRect(r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1));
}

Size PainterSurface::TextExtent(const Font& font, const String& text) {
    const QFontMetrics metrics(ToQFont(font));
    return Size{metrics.horizontalAdvance(ToQString(text)), metrics.height()};
}

void PainterSurface::DrawText(const Font& font, Colour colour, Point at, const String& text,
                              const Rect* clip) {
    painter_.save();
    if (clip) painter_.setClipRect(ToQRect(*clip), Qt::IntersectClip);
    const QFont qfont = ToQFont(font);
    painter_.setFont(qfont);
    painter_.setPen(ToQColor(colour));
    painter_.translate(at.x, at.y);
    painter_.rotate(-font.escapement / 10.0);
    painter_.drawText(QPoint(0, QFontMetrics(qfont).ascent()), ToQString(text));
    painter_.restore();
}

void PainterSurface::CopyBitmap(const Bitmap&, Point) {
    // The start-up bitmap comes with the picture loader; until it does there is none to copy.
}

void PainterSurface::StretchBitmap(const Bitmap&, const Rect&) {}

}  // namespace chordlane
