#include "platform/headless/HeadlessPlatform.h"

#include "platform/StdFileSystem.h"

namespace chordlane {

std::unique_ptr<FileSystem> MakeStdFileSystem() { return std::make_unique<StdFileSystem>(); }

HeadlessPlatform::HeadlessPlatform()
    : files(MakeStdFileSystem()),
      pictures(MakeHeadlessPictureLoader()),
      waveOut(MakeFakeWaveOutput(clock)),
      previous_(CurrentPlatform()) {
    Install();
}

HeadlessPlatform::~HeadlessPlatform() { InstallPlatform(previous_); }

void HeadlessPlatform::Install() {
    Platform p;
    p.clock = &clock;
    p.files = files.get();
    p.settings = &settings;
    p.dialogs = &dialogs;
    p.messages = &messages;
    p.help = &help;
    p.buttons = &buttons;
    p.pictures = pictures.get();
    p.waveOut = waveOut.get();
    p.window = &window;
    InstallPlatform(p);
}

}  // namespace chordlane
