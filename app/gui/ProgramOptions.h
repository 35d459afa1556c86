#pragma once
// The program's command line: chordlane [--screen WxH] [--zoom N] [--fullscreen] [--] [PATH...]

#include <string>
#include <vector>

#include "platform/Types.h"

namespace chordlane {

struct ProgramOptions {
    int screenWidth = 240;
    int screenHeight = 320;
    int zoom = 2;
    bool fullScreen = false;
    String commandLine;  // the path words joined by single spaces; empty: none
};

struct ParsedCommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    ProgramOptions options;
    std::string error;  // one line, for Action::Error
};

// Bounds that keep the window's pixel buffers of a sane size.
inline constexpr int MAX_SCREEN_SIDE = 4096;
inline constexpr int MAX_ZOOM = 8;
inline constexpr int MAX_WINDOW_SIDE = 8192;

//! Reads the words after the program name.
ParsedCommandLine ParseProgramOptions(const std::vector<std::string>& words);
//! The text of --help.
std::string ProgramUsage();

}  // namespace chordlane
