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

}  // namespace chordlane
