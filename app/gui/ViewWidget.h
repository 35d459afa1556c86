#pragma once
#include <QWidget>

#include "platform/Types.h"

namespace chordlane {

class InstrumentView;

// The instrument's screen on the desktop: the view's logical pixels drawn zoom times larger,
// the left mouse button and single touch points as the stylus, key presses as virtual keys.
class ViewWidget : public QWidget {
public:
    ViewWidget(InstrumentView& view, int screenWidth, int screenHeight, int zoom,
               QWidget* parent = nullptr);

    int Zoom() const { return zoom_; }
    //! The view point under a widget position.
    Point ToView(const QPoint& position) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    InstrumentView& view_;
    int zoom_;
};

}  // namespace chordlane
