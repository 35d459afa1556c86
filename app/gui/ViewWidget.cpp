#include "app/gui/ViewWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

#include "app/gui/PainterSurface.h"
#include "app/gui/VirtualKeys.h"
#include "view/InstrumentView.h"

namespace chordlane {

ViewWidget::ViewWidget(InstrumentView& view, int screenWidth, int screenHeight, int zoom,
                       QWidget* parent)
    : QWidget(parent), view_(view), zoom_(std::max(zoom, 1)) {
    setFixedSize(screenWidth * zoom_, screenHeight * zoom_);
    setFocusPolicy(Qt::StrongFocus);
    // The background is erased before each paint, so a start-up screen state that draws
    // nothing shows the window colour rather than stale pixels.
    setAutoFillBackground(true);
}

Point ViewWidget::ToView(const QPoint& position) const {
    // Floor division: a point just left of or above the view stays outside it.
    const auto floorDiv = [this](int v) {
        return static_cast<int32_t>(std::floor(static_cast<double>(v) / zoom_));
    };
    return Point{floorDiv(position.x()), floorDiv(position.y())};
}

void ViewWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.scale(zoom_, zoom_);
    const QRect area = event->rect();
    const Rect paintRect{area.left() / zoom_, area.top() / zoom_,
                         (area.right() + 1 + zoom_ - 1) / zoom_,
                         (area.bottom() + 1 + zoom_ - 1) / zoom_};
    PainterSurface surface(painter, paintRect);
    view_.Paint(surface);
}

void ViewWidget::mousePressEvent(QMouseEvent* event) {
    // Qt keeps sending moves and the release to the widget that got the press: that is the
    // stylus capture.
    if (event->button() == Qt::LeftButton) view_.OnButtonDown(ToView(event->position().toPoint()));
    event->accept();
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) view_.OnButtonUp(ToView(event->position().toPoint()));
    event->accept();
}

void ViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        view_.OnDoubleClick(ToView(event->position().toPoint()));
    event->accept();
}

void ViewWidget::mouseMoveEvent(QMouseEvent* event) {
    // Only a touching stylus strokes; a moving mouse with the left button up does not.
    if (event->buttons() & Qt::LeftButton) view_.OnStylusMove(ToView(event->position().toPoint()));
    event->accept();
}

void ViewWidget::keyPressEvent(QKeyEvent* event) {
    // Held keys repeat their press, as the device's keyboard does.
    if (const uint32_t code = VirtualKeyCode(event->key(), event->modifiers()))
        view_.OnKeyDown(code);
    event->accept();
}

void ViewWidget::keyReleaseEvent(QKeyEvent* event) {
    // X11 reports a held key as release-press pairs; only the real release counts.
    if (event->isAutoRepeat()) return;
    if (const uint32_t code = VirtualKeyCode(event->key(), event->modifiers()))
        view_.OnKeyUp(code);
    event->accept();
}

bool ViewWidget::focusNextPrevChild(bool) {
    return false;  // Tab is a key of the instrument, not a focus move
}

}  // namespace chordlane
