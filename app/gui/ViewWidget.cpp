#include "app/gui/ViewWidget.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>

#include "app/gui/VirtualKeys.h"
#include "elements/Instrument.h"
#include "platform/qt/QtSurface.h"
#include "view/InstrumentView.h"

namespace chordlane {

namespace {

// Alt, keys pressed while Alt is held and F10 belong to the system (menus, window manager),
// not to the instrument.
bool IsSystemKey(const QKeyEvent& event) {
    return event.key() == Qt::Key_Alt || event.key() == Qt::Key_F10 ||
           event.modifiers().testFlag(Qt::AltModifier);
}

}  // namespace

ViewWidget::ViewWidget(InstrumentView& view, int screenWidth, int screenHeight, int zoom,
                       QWidget* parent)
    : QWidget(parent),
      view_(view),
      screenWidth_(std::max(screenWidth, 1)),
      screenHeight_(std::max(screenHeight, 1)),
      firstSize_(screenWidth_ * std::max(zoom, 1), screenHeight_ * std::max(zoom, 1)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(1, 1);
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel is painted, margin included.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QTransform ViewWidget::ViewTransform() const {
    return ScreenFitTransform(QSizeF(size()), screenWidth_, screenHeight_);
}

Point ViewWidget::ToView(const QPointF& position) const {
    // Through the pixel's centre, floored: a point just left of or above the view stays
    // outside it, and each widget pixel belongs to the view pixel it shows.
    const QPointF p = ViewTransform().inverted().map(position + QPointF(0.5, 0.5));
    const auto clamp = [](double v) {
        return static_cast<int32_t>(
            std::clamp(std::floor(v), double{INT32_MIN}, double{INT32_MAX}));
    };
    return Point{clamp(p.x()), clamp(p.y())};
}

void ViewWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QTransform transform = ViewTransform();
    const QRectF screen = transform.mapRect(QRectF(0, 0, screenWidth_, screenHeight_));
    // The margin is dark, the screen's own colour is the instrument's to paint.
    const QRegion margin = QRegion(rect()) - QRegion(screen.toAlignedRect());
    for (const QRect& r : margin & event->region()) painter.fillRect(r, Qt::black);
    // A start-up screen state that draws nothing shows black rather than stale pixels.
    if (!view_.GetInstrument().instrumentLoaded) painter.fillRect(event->rect(), Qt::black);
    painter.setClipRect(screen);
    painter.setTransform(transform);
    const QRectF area = transform.inverted().mapRect(QRectF(event->rect()));
    const Rect paintRect{static_cast<int32_t>(std::floor(area.left())),
                         static_cast<int32_t>(std::floor(area.top())),
                         static_cast<int32_t>(std::ceil(area.right())),
                         static_cast<int32_t>(std::ceil(area.bottom()))};
    QtSurface surface(painter, paintRect);
    surface.SetSmoothPictures(true);
    view_.Paint(surface);
}

void ViewWidget::mousePressEvent(QMouseEvent* event) {
    // Qt keeps sending moves and the release to the widget that got the press: that is the
    // stylus capture.
    if (event->button() == Qt::LeftButton) view_.OnButtonDown(ToView(event->position()));
    event->accept();
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) view_.OnButtonUp(ToView(event->position()));
    event->accept();
}

void ViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) view_.OnDoubleClick(ToView(event->position()));
    event->accept();
}

void ViewWidget::mouseMoveEvent(QMouseEvent* event) {
    // Only a touching stylus strokes; a moving mouse with the left button up does not.
    if (event->buttons() & Qt::LeftButton) view_.OnStylusMove(ToView(event->position()));
    event->accept();
}

void ViewWidget::keyPressEvent(QKeyEvent* event) {
    if (IsSystemKey(*event)) return QWidget::keyPressEvent(event);
    // Held keys repeat their press, as the device's keyboard does.
    if (const uint32_t code = VirtualKeyCode(event->key(), event->modifiers()))
        view_.OnKeyDown(code);
    event->accept();
}

void ViewWidget::keyReleaseEvent(QKeyEvent* event) {
    // X11 reports a held key as release-press pairs; only the real release counts.
    if (event->isAutoRepeat()) return;
    if (IsSystemKey(*event)) return QWidget::keyReleaseEvent(event);
    if (const uint32_t code = VirtualKeyCode(event->key(), event->modifiers())) view_.OnKeyUp(code);
    event->accept();
}

void ViewWidget::focusInEvent(QFocusEvent* event) {
    // Back from a dialog or another window: a modifier released there never reached us.
    const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    view_.SetHeldModifiers(held.testFlag(Qt::ShiftModifier), held.testFlag(Qt::ControlModifier));
    QWidget::focusInEvent(event);
}

bool ViewWidget::focusNextPrevChild(bool) {
    return false;  // Tab is a key of the instrument, not a focus move
}

}  // namespace chordlane
