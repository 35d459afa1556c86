#include "platform/headless/HeadlessPlatform.h"

#include "platform/std/StdFileSystem.h"

namespace chordlane {

std::unique_ptr<FileSystem> MakeStdFileSystem() { return std::make_unique<StdFileSystem>(); }

HeadlessPlatform::HeadlessPlatform(WaveOutputMaker makeWaveOut)
    : files(MakeStdFileSystem()),
      pictures(MakeHeadlessPictureLoader(*files)),
      waveOut(makeWaveOut(clock)) {
    Restore();
}

HeadlessPlatform::~HeadlessPlatform() = default;

void HeadlessPlatform::Restore() {
    Platform& p = services;
    p.clock = &clock;
    p.files = files.get();
    p.settings = &settings;
    p.dialogs = &dialogs;
    p.messages = &messages;
    p.help = &help;
    p.buttons = &buttons;
    p.rates = nullptr;
    p.pictures = pictures.get();
    p.waveOut = waveOut.get();
    p.window = &window;
}

}  // namespace chordlane
