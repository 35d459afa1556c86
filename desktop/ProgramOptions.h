#pragma once
// The program's command line:
// chordlane [--screen WxH] [--zoom N] [--fullscreen] [--midi-out | --no-midi-out] [--verbose]
//           [--audio-device NAME] [--audio-buffer N] [--] [PATH...]

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Surface.h"
#include "platform/Types.h"

namespace chordlane {

struct ProgramOptions {
    int screenWidth = 240;
    int screenHeight = 320;
    int zoom = 2;
    bool fullScreen = false;
    // --screen or --zoom was given: they size the first window, not the size remembered.
    bool sizeGiven = false;
    bool verbose = false;  // what the audio and MIDI outputs chose goes to standard error
    String commandLine{};  // the path words joined by single spaces; empty: none
    // --midi-out / --no-midi-out: the MIDI port on or off for this run, whatever the stored
    // choice; unset: as stored.
    std::optional<bool> midiOut = std::nullopt;
    // The sound output for this run, over the one chosen in the settings.
    std::optional<std::string> audioDevice{};  // "" picks the default device
    uint32_t audioBuffer = 0;                  // frames; 0: the settings' choice
};

struct ParsedCommandLine {
    enum class Action { Run, Help, Version, ListAudioDevices, Error };
    Action action = Action::Run;
    ProgramOptions options;
    std::string error;  // one line, for Action::Error
};

// Bounds that keep the window's pixel buffers of a sane size.
inline constexpr int MAX_SCREEN_SIDE = 4096;
// Pictures are bounded to cover any screen pixel for pixel.
static_assert(MAX_SCREEN_SIDE <= MAX_PICTURE_SIDE);
inline constexpr int MAX_ZOOM = 8;
inline constexpr int MAX_WINDOW_SIDE = 8192;

//! Reads the words after the program name.
ParsedCommandLine ParseProgramOptions(const std::vector<std::string>& words);
//! The text of --help.
std::string ProgramUsage();

}  // namespace chordlane
