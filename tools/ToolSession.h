#pragma once
// The engine as chordlane-tool runs it: the headless services installed and the
// application state as the program has it after its start-up ("vM" 50, "sp" 30, both
// options on, no instrument), with the COMMON options applied.

#include "platform/headless/HeadlessPlatform.h"
#include "tools/ToolOptions.h"

namespace chordlane::tool {

class ToolSession {
public:
    explicit ToolSession(const CommonOptions& options);
    ~ToolSession();
    ToolSession(const ToolSession&) = delete;
    ToolSession& operator=(const ToolSession&) = delete;

    HeadlessPlatform& Platform() { return platform_; }

private:
    HeadlessPlatform platform_;
};

//! The folder of the running executable, ending with '/'.
String ExecutableFolder();
//! The program folder: the installed data folder beside the executable's installation,
//! else the one the build fills, else the executable's own folder.
String ToolProgramFolder();
//! The user's documents folder with a '/' at its end, the program's home folder default.
String DocumentsFolder();

}  // namespace chordlane::tool
