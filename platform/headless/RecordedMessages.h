#pragma once
#include <functional>
#include <vector>

#include "platform/MessageBox.h"

namespace chordlane {

// Message boxes that are written down instead of shown.
class RecordedMessages : public MessageBox {
  public:
    void ShowStop(const String& text) override {
        texts_.push_back(text);
        if (onMessage_) onMessage_(text);
    }
    const std::vector<String>& Texts() const { return texts_; }
    void Clear() { texts_.clear(); }
    void SetListener(std::function<void(const String&)> listener) {
        onMessage_ = std::move(listener);
    }

  private:
    std::vector<String> texts_;
    std::function<void(const String&)> onMessage_;
};

}  // namespace chordlane
