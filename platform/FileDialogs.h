#pragma once
#include <optional>
#include <utility>
#include <vector>

#include "platform/Types.h"

namespace chordlane {

struct FileDialogRequest {
    bool open = true;  // false: a save dialog
    String title;
    // (description, pattern) pairs; a pattern may hold several globs separated by ';'.
    std::vector<std::pair<String, String>> filters;
    String initialFolder;           // empty: the platform's choice
    bool mustExist = false;         // opening: the file must exist
    bool confirmOverwrite = false;  // saving: ask before replacing a file
};

// The platform's open-file and save-file dialogs.
class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    //! Shows the dialog; the chosen path, or nothing when the user cancelled.
    virtual std::optional<String> ChooseFile(const FileDialogRequest& request) = 0;
};

}  // namespace chordlane
