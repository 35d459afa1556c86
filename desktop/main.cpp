// chordlane: the instrument in a window.
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "desktop/Application.h"
#include "desktop/ProgramOptions.h"
#include "platform/portaudio/PortAudioOutput.h"

int main(int argc, char** argv) {
    using chordlane::ParsedCommandLine;
    const std::vector<std::string> words(argv + 1, argv + argc);
    const ParsedCommandLine parsed = chordlane::ParseProgramOptions(words);
    switch (parsed.action) {
        case ParsedCommandLine::Action::Help:
            std::fputs(chordlane::ProgramUsage().c_str(), stdout);
            return 0;
        case ParsedCommandLine::Action::Version:
            std::printf("chordlane %s\n", CHORDLANE_VERSION);
            return 0;
        case ParsedCommandLine::Action::ListAudioDevices: {
            // One device a line, as --audio-device takes it; the default one marked after a tab.
            std::string why;
            const auto devices = chordlane::ListAudioDevices(&why);
            if (devices.empty() && !why.empty()) {
                std::fprintf(stderr, "chordlane: no sound output: %s\n", why.c_str());
                return 1;
            }
            for (const chordlane::AudioDeviceInfo& d : devices)
                std::printf("%s%s\n", d.Label().c_str(), d.isDefault ? "\tdefault" : "");
            return 0;
        }
        case ParsedCommandLine::Action::Error:
            std::fprintf(stderr, "chordlane: %s\n", parsed.error.c_str());
            return 2;
        case ParsedCommandLine::Action::Run:
            break;
    }
    // Qt's own options are not offered: the words belong to the instrument's path. Qt is set
    // up through its environment variables instead.
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Chordlane"));
    chordlane::Application app(parsed.options);
    app.StartApplication();
    return QApplication::exec();
}
