#pragma once
#include <QPointer>
#include <QRect>
#include <QTransform>
#include <functional>

#include "platform/Window.h"

class QAction;
class QWidget;

namespace chordlane {

// The main window as the core sees it: the view widget (drawn through the view's transform,
// at first zoom times the view's coordinates), the frame that holds it and the menu items of
// the two options, whose marks the core sets.
class QtWindow : public Window {
  public:
    QtWindow(QWidget* frame, QWidget* view, QAction* showActive, QAction* speedVolume, int zoom);

    void RepaintNow(const Rect& r) override;
    void SetOptionCheck(MenuOption option, bool checked) override;
    void ReshowAndRaise() override;

    //! Where the view's pixels are drawn in the widget now; without one, at zoom from the
    //! top-left corner.
    void SetViewTransform(std::function<QTransform()> transform) {
        transform_ = std::move(transform);
    }
    //! The widget area of a view rectangle, clipped to the widget; empty when outside.
    QRect WidgetArea(const Rect& r) const;

  private:
    QPointer<QWidget> frame_;
    QPointer<QWidget> view_;
    QPointer<QAction> showActive_;
    QPointer<QAction> speedVolume_;
    int zoom_;
    std::function<QTransform()> transform_;
};

//! Shows frame full screen on its display, also where no window manager acts on the request.
void ShowFullScreenOnDisplay(QWidget& frame);

//! Places a dialog about to open centred over the window that holds over, kept on that
//! window's display; centred on the display when the window is not shown. Qt's own placing
//! reads the window's position, which a window manager may not have told yet, or which a
//! window just shown again no longer has: the dialog then opened at the display's edge.
void CentreOverWindow(QWidget& dialog, const QWidget* over);

}  // namespace chordlane
