#include "platform/qt/QtWindow.h"

#include <QAction>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace chordlane {

QtWindow::QtWindow(QWidget* frame, QWidget* view, QAction* showActive, QAction* speedVolume,
                   int zoom)
    : frame_(frame),
      view_(view),
      showActive_(showActive),
      speedVolume_(speedVolume),
      zoom_(std::max(zoom, 1)) {}

QRect QtWindow::WidgetArea(const Rect& r) const {
    if (!view_ || r.right < r.left || r.bottom < r.top) return {};
    const QTransform transform = transform_ ? transform_() : QTransform::fromScale(zoom_, zoom_);
    // Elements count their right and bottom edges as inside, so one more pixel is repainted;
    // in floating point and clipped before it becomes whole pixels, because rectangles from
    // instrument files can be anything.
    const auto d = [](int32_t v) { return static_cast<double>(v); };
    const QRectF view(d(r.left), d(r.top), d(r.right) - d(r.left) + 1, d(r.bottom) - d(r.top) + 1);
    const QRectF area = transform.mapRect(view) & QRectF(view_->rect());
    if (area.isEmpty()) return {};
    return area.toAlignedRect();
}

void QtWindow::RepaintNow(const Rect& r) {
    const QRect area = WidgetArea(r);
    if (!area.isEmpty()) view_->repaint(area);
}

void QtWindow::SetOptionCheck(MenuOption option, bool checked) {
    QAction* action = option == MenuOption::ShowActive ? showActive_ : speedVolume_;
    if (action) action->setChecked(checked);
}

void QtWindow::ReshowAndRaise() {
    if (!frame_) return;
    // The frame's state now decides, not the command line's: F11 may have changed it since.
    const bool fullScreen = frame_->isFullScreen();
    frame_->hide();
    if (fullScreen)
        ShowFullScreenOnDisplay(*frame_);
    else
        frame_->show();
    frame_->raise();
    frame_->activateWindow();
}

void CentreOverWindow(QWidget& dialog, const QWidget* over) {
    const QWidget* window = over ? over->window() : nullptr;
    const QScreen* display = window ? window->screen() : dialog.screen();
    if (!display) return;
    const QRect room = display->availableGeometry();
    // A window's geometry is worth nothing until it has been shown on its display.
    const QRect under = window && window->isVisible() && room.intersects(window->frameGeometry())
                            ? window->frameGeometry()
                            : room;
    dialog.ensurePolished();
    // A dialog that chose its own size keeps it.
    if (!dialog.testAttribute(Qt::WA_Resized)) dialog.adjustSize();
    const QSize size = dialog.frameGeometry().size().boundedTo(room.size());
    QPoint topLeft = under.center() - QPoint(size.width() / 2, size.height() / 2);
    topLeft.setX(std::clamp(topLeft.x(), room.left(), room.right() + 1 - size.width()));
    topLeft.setY(std::clamp(topLeft.y(), room.top(), room.bottom() + 1 - size.height()));
    dialog.move(topLeft);
}

void ShowFullScreenOnDisplay(QWidget& frame) {
    // Without a window manager the full-screen request is not acted on; the window then
    // takes the display's whole area itself, also each time it is shown again.
    if (const QScreen* display = frame.screen()) frame.setGeometry(display->geometry());
    frame.showFullScreen();
}

}  // namespace chordlane
