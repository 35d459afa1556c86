#include "platform/qt/QtWindow.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>
#include <algorithm>

#include "platform/qt/CommandIds.h"

namespace chordlane {

QtWindow::QtWindow(QWidget* frame, QWidget* view, QMenuBar* menuBar, int zoom)
    : frame_(frame), view_(view), menuBar_(menuBar), zoom_(std::max(zoom, 1)) {}

QRect QtWindow::WidgetArea(const Rect& r) const {
    if (!view_ || r.right < r.left || r.bottom < r.top) return {};
    // Elements count their right and bottom edges as inside, so one more pixel is repainted;
    // computed in 64 bits because rectangles from instrument files can be anything.
    const int64_t z = zoom_;
    const int64_t left = std::max<int64_t>(int64_t{r.left} * z, 0);
    const int64_t top = std::max<int64_t>(int64_t{r.top} * z, 0);
    const int64_t right = std::min<int64_t>((int64_t{r.right} + 1) * z, view_->width());
    const int64_t bottom = std::min<int64_t>((int64_t{r.bottom} + 1) * z, view_->height());
    if (right <= left || bottom <= top) return {};
    return QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                 static_cast<int>(bottom - top));
}

void QtWindow::RepaintNow(const Rect& r) {
    const QRect area = WidgetArea(r);
    if (!area.isEmpty()) view_->repaint(area);
}

void QtWindow::SetOptionCheck(MenuOption option, bool checked) {
    const int menuPosition = MENU_OPTIONS;
    const int command = option == MenuOption::ShowActive ? ID_SHOW_ACTIVE : ID_SPEED_VOLUME;
    if (!menuBar_) return;
    const QList<QAction*> popups = menuBar_->actions();
    if (menuPosition < 0 || menuPosition >= popups.size()) return;
    QMenu* menu = popups[menuPosition]->menu();
    if (!menu) return;
    for (QAction* action : menu->actions()) {
        if (action->data().toInt() == command) {
            action->setChecked(checked);
            return;
        }
    }
}

void QtWindow::ReshowAndRaise() {
    if (!frame_) return;
    frame_->hide();
    if (fullScreen_)
        frame_->showFullScreen();
    else
        frame_->show();
    frame_->raise();
    frame_->activateWindow();
}

}  // namespace chordlane
