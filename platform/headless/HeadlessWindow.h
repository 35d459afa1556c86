#pragma once
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "platform/Window.h"

namespace chordlane {

// A main window without a screen: records repaints and check marks. A paint hook lets the
// tool paint the repainted area into its image as the real view would.
class HeadlessWindow : public Window {
  public:
    void RepaintNow(const Rect& r) override {
        repaints_.push_back(r);
        if (onPaint_) onPaint_(r);
    }
    void SetOptionCheck(MenuOption option, bool checked) override { checks_[option] = checked; }
    void ReshowAndRaise() override { ++reshows_; }

    const std::vector<Rect>& Repaints() const { return repaints_; }
    void ClearRepaints() { repaints_.clear(); }
    bool IsChecked(MenuOption option) const {
        auto it = checks_.find(option);
        return it != checks_.end() && it->second;
    }
    int Reshows() const { return reshows_; }
    void SetPaintHook(std::function<void(const Rect&)> hook) { onPaint_ = std::move(hook); }

  private:
    std::vector<Rect> repaints_;
    std::map<MenuOption, bool> checks_;
    int reshows_ = 0;
    std::function<void(const Rect&)> onPaint_;
};

}  // namespace chordlane
