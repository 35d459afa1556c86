#pragma once
// Loading FILE in a tool command: the program's own Open flow with FILE as the given path,
// message boxes printed on standard error, and the load's outcome as an exit code.

#include <string>

#include "platform/Text.h"
#include "tools/ToolOptions.h"
#include "tools/ToolSession.h"

namespace chordlane {
class ParseListener;
}

namespace chordlane::tool {

//! Loads file in the session; answers EXIT_DONE, EXIT_ABANDONED (abandoned in a file prompt,
//! reason printed) or EXIT_NOT_FOUND (not found by the file search, reason printed). A sound
//! library (LIBRARY#P) is imported first: EXIT_NOT_FOUND when it is not there, EXIT_PROBLEMS
//! when it cannot be read, EXIT_NO_PRESET when it lacks the preset (reasons printed). With
//! --time the load times are printed either way.
int LoadForTool(ToolSession& session, const std::string& file, const CommonOptions& options,
                ParseListener* listener = nullptr);

}  // namespace chordlane::tool
