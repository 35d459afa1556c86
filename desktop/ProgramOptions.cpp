#include "desktop/ProgramOptions.h"

#include <charconv>

#include "app/SoundOutputSettings.h"
#include "platform/Text.h"

namespace chordlane {

namespace {

bool ParseInt(std::string_view text, int& value) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool ParseScreen(std::string_view text, int& width, int& height) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos) return false;
    return ParseInt(text.substr(0, x), width) && ParseInt(text.substr(x + 1), height);
}

// "--name value" or "--name=value"; answers whether words[i] is this option.
bool TakeValue(const std::vector<std::string>& words, size_t& i, std::string_view name,
               std::string& value, bool& missing) {
    const std::string& word = words[i];
    if (word == name) {
        if (i + 1 >= words.size()) {
            missing = true;
            return true;
        }
        value = words[++i];
        return true;
    }
    if (word.size() > name.size() && word.compare(0, name.size(), name) == 0 &&
        word[name.size()] == '=') {
        value = word.substr(name.size() + 1);
        return true;
    }
    return false;
}

}  // namespace

ParsedCommandLine ParseProgramOptions(const std::vector<std::string>& words) {
    ParsedCommandLine result;
    ProgramOptions& options = result.options;
    auto fail = [&result](std::string reason) {
        result.action = ParsedCommandLine::Action::Error;
        result.error = std::move(reason);
        return result;
    };
    size_t i = 0;
    for (; i < words.size(); ++i) {
        const std::string& word = words[i];
        std::string value;
        bool missing = false;
        if (word == "--") {
            ++i;
            break;
        }
        if (word == "--help" || word == "-h") {
            result.action = ParsedCommandLine::Action::Help;
            return result;
        }
        if (word == "--version") {
            result.action = ParsedCommandLine::Action::Version;
            return result;
        }
        if (word == "--list-audio-devices") {
            result.action = ParsedCommandLine::Action::ListAudioDevices;
            return result;
        }
        if (word == "--fullscreen") {
            options.fullScreen = true;
        } else if (word == "--verbose") {
            options.verbose = true;
        } else if (word == "--midi-out" || word == "--no-midi-out") {
            options.midiOut = word == "--midi-out";  // the last one given wins
        } else if (TakeValue(words, i, "--screen", value, missing)) {
            if (missing) return fail("--screen needs a size such as 240x320");
            int width = 0;
            int height = 0;
            if (!ParseScreen(value, width, height) || width < 1 || height < 1 ||
                width > MAX_SCREEN_SIDE || height > MAX_SCREEN_SIDE)
                return fail("--screen wants WxH with sides from 1 to " +
                            std::to_string(MAX_SCREEN_SIDE) + ", not '" + value + "'");
            options.screenWidth = width;
            options.screenHeight = height;
            options.sizeGiven = true;
        } else if (TakeValue(words, i, "--zoom", value, missing)) {
            if (missing) return fail("--zoom needs a number");
            int zoom = 0;
            if (!ParseInt(value, zoom) || zoom < 1 || zoom > MAX_ZOOM)
                return fail("--zoom wants a whole number from 1 to " + std::to_string(MAX_ZOOM) +
                            ", not '" + value + "'");
            options.zoom = zoom;
            options.sizeGiven = true;
        } else if (TakeValue(words, i, "--audio-device", value, missing)) {
            if (missing)
                return fail("--audio-device needs a device name (see --list-audio-devices)");
            options.audioDevice = value;
        } else if (TakeValue(words, i, "--audio-buffer", value, missing)) {
            if (missing) return fail("--audio-buffer needs a number of frames");
            int frames = 0;
            if (!ParseInt(value, frames) || !IsBufferSize(frames))
                return fail("--audio-buffer wants a whole number of frames from " +
                            std::to_string(MIN_BUFFER_FRAMES) + " to " +
                            std::to_string(MAX_BUFFER_FRAMES) + ", not '" + value + "'");
            options.audioBuffer = static_cast<uint32_t>(frames);
        } else if (word.size() > 1 && word[0] == '-') {
            return fail("unknown option '" + word + "' (see --help)");
        } else {
            break;  // the first path word: everything from here on is the path
        }
    }
    if (int64_t{options.screenWidth} * options.zoom > MAX_WINDOW_SIDE ||
        int64_t{options.screenHeight} * options.zoom > MAX_WINDOW_SIDE)
        return fail("the screen times the zoom must fit in " + std::to_string(MAX_WINDOW_SIDE) +
                    " pixels a side");
    std::string path;
    for (; i < words.size(); ++i) {
        if (!path.empty()) path += ' ';
        path += words[i];
    }
    options.commandLine = FromUtf8(path);
    return result;
}

std::string ProgramUsage() {
    return "Usage: chordlane [--screen WxH] [--zoom N] [--fullscreen] [--verbose]\n"
           "                 [--audio-device NAME] [--audio-buffer N]\n"
           "                 [--midi-out | --no-midi-out] [--] [PATH...]\n"
           "       chordlane --list-audio-devices | --help | --version\n"
           "\n"
           "Plays the instrument file PATH on a touch screen (or with the mouse). The words\n"
           "after the options, joined by single spaces, are the path; \"!\" is the built-in\n"
           "instrument. Without a path the start-up screen shows until the first tap, which\n"
           "asks for an instrument file.\n"
           "\n"
           "  --screen WxH   the screen in logical pixels (default 240x320; sides 1 to 4096)\n"
           "  --zoom N       the first window's scale (default 2; 1 to 8); the screen then\n"
           "                 fills the window at any size, centred; no larger than the display.\n"
           "                 Without --zoom and --screen the window takes the size and place\n"
           "                 it had when the program last closed\n"
           "  --fullscreen   fill the display (F11 toggles it)\n"
           "  --midi-out     send the notes played to the MIDI output port \"Chordlane\"\n"
           "                 (ALSA sequencer, or JACK where there is no sequencer) for this\n"
           "                 run, whatever Options -> MIDI Output says\n"
           "  --no-midi-out  no MIDI output for this run\n"
           "  --verbose      tell on standard error which sound output was opened, which\n"
           "                 MIDI output (or why there is none), and the size the window\n"
           "                 starts at (less than the zoom asks on a small display, or the\n"
           "                 size the last run left it at)\n"
           "  --audio-device NAME  play on this output device, as --list-audio-devices\n"
           "                 names it (\"\" for the default device), instead of the one\n"
           "                 chosen in Options -> Sound Output...\n"
           "  --audio-buffer N  frames per audio buffer, 64 to 1024 (default 256; fewer\n"
           "                 frames answer sooner but need a machine that keeps up)\n"
           "  --list-audio-devices  print the output devices, one per line, and exit\n"
           "  --             end of options: the rest is the path even if it starts with -\n"
           "  --help         this text\n"
           "  --version      the program's version\n";
}

}  // namespace chordlane
