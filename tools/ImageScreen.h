#pragma once
// The program's window without a display, for chordlane-tool render: the view paints into an
// image at the zoom, area by area as the program repaints its window, so the image ends up
// holding what the screen would show.

#include <QImage>
#include <string>

#include "platform/Platform.h"
#include "platform/Window.h"

namespace chordlane {
class InstrumentView;
}

namespace chordlane::tool {

// Takes the window's place in the platform's set and paints the whole screen once, as the
// program shows its window at start-up; puts the previous window back when it goes.
class ImageScreen : public Window {
  public:
    //! The screen is the view's instrument's screen size; zoom is at least 1.
    ImageScreen(InstrumentView& view, Platform& services, int zoom);
    ~ImageScreen() override;
    ImageScreen(const ImageScreen&) = delete;
    ImageScreen& operator=(const ImageScreen&) = delete;

    //! Erases r (right and bottom edges included) and paints it.
    void RepaintNow(const Rect& r) override;
    void SetOptionCheck(MenuOption, bool) override {}
    //! Paints the whole screen, as showing the window again does.
    void ReshowAndRaise() override;

    const QImage& Image() const { return image_; }
    //! Writes the image as a PNG file; false when it cannot be written.
    bool SavePng(const std::string& path) const;

  private:
    void Paint(const QRect& area);

    InstrumentView& view_;
    int zoom_;
    QImage image_;
    Platform& services_;
    Window* previous_;
};

}  // namespace chordlane::tool
