#pragma once
// The services the page itself gives: its message line, the file prompts answered from the
// files the person picked, the help page, the menu's check marks and repaints. None of them
// blocks: a browser page cannot wait for a person inside a call.

#include <functional>

#include "platform/HardwareButtons.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBox.h"
#include "platform/Window.h"

namespace chordlane::web {

// Shows the text in the page's message area and goes on at once; the page keeps every
// message for window.chordlane.messages().
class PageMessageBox : public MessageBox {
  public:
    void ShowStop(const String& text) override;
};

// The manual as a page of the site, in a new tab.
class PageHelpViewer : public HelpViewer {
  public:
    bool Open(const String& document) override;
};

// A browser has no hardware buttons to register.
class NoHardwareButtons : public HardwareButtons {
  public:
    bool HasShellKeyRelease() override { return false; }
    void ReleaseShellKey(uint32_t, uint32_t) override {}
    bool RegisterHotKey(int32_t, uint32_t, uint32_t) override { return false; }
    void UnregisterHotKey(int32_t) override {}
};

// The page as the core's window: a repaint paints at once, the check marks are the menu's.
class PageWindow : public Window {
  public:
    explicit PageWindow(std::function<void(const Rect&)> repaint) : repaint_(std::move(repaint)) {}
    void RepaintNow(const Rect& r) override { repaint_(r); }
    void SetOptionCheck(MenuOption option, bool checked) override;
    void ReshowAndRaise() override { repaint_({0, 0, INT32_MAX, INT32_MAX}); }

  private:
    std::function<void(const Rect&)> repaint_;
};

}  // namespace chordlane::web
