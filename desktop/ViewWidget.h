#pragma once
#include <QTransform>
#include <QWidget>
#include <array>

#include "elements/Element.h"
#include "platform/Types.h"

class QTouchEvent;

namespace chordlane {

class InstrumentView;

// The instrument's screen on the desktop: the view's logical pixels drawn at the largest scale
// at which the whole screen fits the widget, centred on a dark margin; the left mouse button
// as the stylus, each finger on a touch screen as a stylus of its own, key presses as virtual
// keys.
class ViewWidget : public QWidget {
  public:
    //! The first size is the screen at zoom; the widget may then take any size.
    ViewWidget(InstrumentView& view, int screenWidth, int screenHeight, int zoom,
               QWidget* parent = nullptr);

    InstrumentView& View() const { return view_; }
    //! The view point under a widget position.
    Point ToView(const QPointF& position) const;
    //! From view coordinates to widget coordinates, as painted now.
    QTransform ViewTransform() const;
    QSize sizeHint() const override { return firstSize_; }
    //! The size the window first shows the view at.
    void SetFirstSize(QSize size) {
        firstSize_ = size;
        updateGeometry();
    }

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

  private:
    //! Hands the fingers of a touch-screen event to the view; false for other devices.
    bool HandleTouch(QTouchEvent& event);
    //! The touch point a finger holds, or -1.
    int32_t PointOfFinger(int fingerId) const;

    // The finger (Qt's touch point id) that holds each touch point; point 0 is the mouse's.
    // A finger that finds no free point plays nothing until it lifts.
    static constexpr int NO_FINGER = -1;
    std::array<int, MAX_TOUCH_POINTS> fingers_;

    InstrumentView& view_;
    int screenWidth_;
    int screenHeight_;
    QSize firstSize_;
};

}  // namespace chordlane
