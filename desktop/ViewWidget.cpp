#include "desktop/ViewWidget.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QTouchEvent>
#include <algorithm>
#include <cmath>

#include "desktop/VirtualKeys.h"
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

// A mouse event the system made from a finger: the finger already plays as a touch point.
bool IsFromFinger(const QMouseEvent& event) {
    return event.source() == Qt::MouseEventSynthesizedBySystem && event.device() &&
           event.device()->type() == QInputDevice::DeviceType::TouchScreen;
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
    // Fingers arrive as touch events of their own; the mouse stays the stylus.
    setAttribute(Qt::WA_AcceptTouchEvents);
    fingers_.fill(NO_FINGER);
}

bool ViewWidget::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
            if (HandleTouch(static_cast<QTouchEvent&>(*event))) return true;
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

int32_t ViewWidget::PointOfFinger(int fingerId) const {
    for (int32_t point = STYLUS_POINT + 1; point < MAX_TOUCH_POINTS; ++point) {
        if (fingers_[static_cast<size_t>(point)] == fingerId) return point;
    }
    return -1;
}

bool ViewWidget::HandleTouch(QTouchEvent& event) {
    // A touchpad's points are not places on the screen: it stays a mouse.
    if (!event.device() || event.device()->type() != QInputDevice::DeviceType::TouchScreen)
        return false;
    if (event.type() == QEvent::TouchBegin) {
        // A new sequence begins only when no finger is down: one still held here lifted while
        // a dialog had the screen, at a time nobody told, and must not keep its point for
        // ever. Its point is free again; a new finger on it starts afresh by the 25 ms rule.
        fingers_.fill(NO_FINGER);
    } else if (event.type() == QEvent::TouchCancel) {
        // The system took the fingers away (a gesture, a grab): each lifts where it was.
        for (int32_t point = STYLUS_POINT + 1; point < MAX_TOUCH_POINTS; ++point) {
            int& finger = fingers_[static_cast<size_t>(point)];
            if (finger != NO_FINGER) view_.OnTouchUp(point);
            finger = NO_FINGER;
        }
        event.accept();
        return true;
    }
    for (const QEventPoint& touch : event.points()) {
        int32_t point = PointOfFinger(touch.id());
        switch (touch.state()) {
            case QEventPoint::Pressed:
                if (point < 0) point = PointOfFinger(NO_FINGER);  // the first free one
                if (point < 0) break;  // all taken: this finger is ignored until it lifts
                fingers_[static_cast<size_t>(point)] = touch.id();
                view_.OnTouchDown(point, ToView(touch.position()));
                break;
            case QEventPoint::Updated:
                if (point >= 0) view_.OnTouchMove(point, ToView(touch.position()));
                break;
            case QEventPoint::Released:
                if (point < 0) break;
                view_.OnTouchUp(point);
                fingers_[static_cast<size_t>(point)] = NO_FINGER;
                break;
            default:
                break;  // a finger holding still sends nothing
        }
    }
    // Accepted, so that Qt sends the rest of the fingers' events here and makes no mouse
    // events of them.
    event.accept();
    return true;
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
    if (!view_.GetInstrument().load.loaded) painter.fillRect(event->rect(), Qt::black);
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
    if (IsFromFinger(*event)) return event->ignore();
    // Qt keeps sending moves and the release to the widget that got the press: that is the
    // stylus capture.
    if (event->button() == Qt::LeftButton) view_.OnButtonDown(ToView(event->position()));
    event->accept();
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (IsFromFinger(*event)) return event->ignore();
    if (event->button() == Qt::LeftButton) view_.OnButtonUp(ToView(event->position()));
    event->accept();
}

void ViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (IsFromFinger(*event)) return event->ignore();
    if (event->button() == Qt::LeftButton) view_.OnDoubleClick(ToView(event->position()));
    event->accept();
}

void ViewWidget::mouseMoveEvent(QMouseEvent* event) {
    if (IsFromFinger(*event)) return event->ignore();
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
