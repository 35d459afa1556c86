#pragma once
#include <set>
#include <vector>

#include "platform/FileDialogs.h"

namespace chordlane::web {

// A prompt of an instrument file ("where is this sound?") cannot open a picker in the middle
// of a load. The person picks the instrument's files together instead, and each prompt is
// answered with the first of those files that matches its filter and has not answered one
// yet; without one the prompt is cancelled, as a person would who has no such file.
class PickedFileDialogs : public FileDialogs {
  public:
    //! The files the person picked for the instrument being opened, in the order picked.
    void SetPicked(std::vector<String> paths);
    std::optional<String> ChooseFile(const FileDialogRequest& request) override;

    //! Whether name matches one glob of a filter ("*.wav", "*.*", "*"), without regard to case.
    static bool Matches(const String& name, const String& pattern);

  private:
    std::vector<String> picked_;
    std::set<String> used_;
};

}  // namespace chordlane::web
