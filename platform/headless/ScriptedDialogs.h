#pragma once
#include <deque>
#include <optional>
#include <vector>

#include "platform/FileDialogs.h"

namespace chordlane {

// File dialogs answered from a script: each dialog takes the next answer; an empty optional
// is a cancel, and once the answers are used up every dialog is cancelled.
class ScriptedDialogs : public FileDialogs {
  public:
    std::optional<String> ChooseFile(const FileDialogRequest& request) override {
        requests_.push_back(request);
        if (answers_.empty()) return std::nullopt;
        std::optional<String> answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    void Answer(const String& path) { answers_.push_back(path); }
    void Cancel() { answers_.push_back(std::nullopt); }
    const std::vector<FileDialogRequest>& Requests() const { return requests_; }
    size_t PendingAnswers() const { return answers_.size(); }

  private:
    std::deque<std::optional<String>> answers_;
    std::vector<FileDialogRequest> requests_;
};

}  // namespace chordlane
